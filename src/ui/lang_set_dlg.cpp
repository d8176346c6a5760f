#include "ui/lang_set_dlg.h"

#include <QComboBox>
#include <QPushButton>

#include "ui/controls.h"
#include "ui/images.h"

namespace tolvane {

CLangSetDlg::CLangSetDlg(QWidget* parent, std::function<void(int)> writeLanguage)
    : QDialog(parent), model_(std::move(writeLanguage)) {
  SetUpSmallDialog(this);
  setFixedSize(260, 120);
  list_ = new CWEComboBox(this);
  list_->setGeometry(30, 24, 200, 24);
  ok_ = new QPushButton(this);
  ok_->setGeometry(80, 72, 100, 28);
  ok_->setDefault(true);
  model_.Open();
  setWindowTitle(QString::fromStdString(model_.title));
  ok_->setText(QString::fromStdString(model_.okCaption));
  list_->addItems({"Chinese", "English"});
  list_->setCurrentIndex(model_.selection);
  list_->setFocus();
  connect(list_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
    model_.selection = i;
    ok_->setFocus();
  });
  connect(list_, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) { model_.selection = i; });
  // The list may close its popup while the dialog is being torn down: the
  // button, not the half-destroyed dialog, is what the connection needs.
  connect(static_cast<CWEComboBox*>(list_), &PopupComboBox::popupClosed, ok_, [ok = ok_] { ok->setFocus(); });
  connect(ok_, &QPushButton::clicked, this, [this] {
    model_.Ok();
    accept();
  });
}

void CLangSetDlg::mouseReleaseEvent(QMouseEvent* event) {
  QDialog::mouseReleaseEvent(event);
  ok_->setFocus();
}

}  // namespace tolvane
