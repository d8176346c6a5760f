#include "ui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

#include "core/language.h"
#include "tolvane_version.h"
#include "ui/images.h"

namespace tolvane {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  SetUpSmallDialog(this);
  setWindowTitle(Pick(txt::kAboutTitle));
  // Laid out for 96 pixels per inch and scaled with the screen's; the lines are
  // as wide as the longest of them, so that no notice is cut off in either language.
  const double scale = logicalDpiY() / 96.0;
  auto s = [scale](int v) { return qRound(v * scale); };
  auto* logo = new QLabel(this);
  logo->setObjectName("logo");
  logo->setPixmap(LogoImage());
  logo->setGeometry(s(14), s(14), 48, 26);
  const QString lines[4] = {QString(txt::kAboutVersionLead) + kVersionShown, Pick(txt::kAboutLegal1),
                            Pick(txt::kAboutLegal2), Pick(txt::kAboutCompany)};
  int lineWidth = s(350);
  for (const QString& line : lines) lineWidth = std::max(lineWidth, fontMetrics().horizontalAdvance(line) + s(8));
  for (int i = 0; i < 4; ++i) {
    auto* l = new QLabel(lines[i], this);
    l->setObjectName(QString("line%1").arg(i + 1));
    l->setGeometry(s(76), s(14 + i * 24), lineWidth, s(22));
  }
  const int width = s(76) + lineWidth + s(14);
  setFixedSize(width, s(170));
  auto* ok = new QPushButton(Pick(txt::kOk), this);
  ok->setDefault(true);
  ok->setGeometry(width / 2 - s(50), s(126), s(100), s(28));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tolvane
