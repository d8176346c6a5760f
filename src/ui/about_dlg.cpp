#include "ui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/language.h"
#include "ui/images.h"

namespace tolvane {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  SetUpSmallDialog(this);
  setFixedSize(440, 170);
  setWindowTitle(Pick(txt::kAboutTitle));
  auto* logo = new QLabel(this);
  logo->setObjectName("logo");
  logo->setPixmap(LogoImage());
  logo->setGeometry(14, 14, 48, 26);
  const QString lines[4] = {txt::kAboutVersion, Pick(txt::kAboutLegal1), Pick(txt::kAboutLegal2),
                            Pick(txt::kAboutCompany)};
  for (int i = 0; i < 4; ++i) {
    auto* l = new QLabel(lines[i], this);
    l->setObjectName(QString("line%1").arg(i + 1));
    l->setGeometry(76, 14 + i * 24, 350, 22);
  }
  auto* ok = new QPushButton(Pick(txt::kOk), this);
  ok->setDefault(true);
  ok->setGeometry(170, 126, 100, 28);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tolvane
