#include "ui/com_set_dlg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>

#include "app/language.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/qt_services.h"

namespace tolvane {

UiDispatcher& CComSetDlg::GuiDispatcherRef() { return GuiDispatcher(); }

namespace {
QString Face(uint32_t rgb) {
  return QString("QPushButton { background-color: #%1; color: white; border: 1px solid #0d3f73; padding: 2px; }"
                 "QPushButton:pressed { padding-left: 3px; padding-top: 3px; }")
      .arg(rgb, 6, 16, QChar('0'));
}
}  // namespace

CComSetDlg::CComSetDlg(QWidget* parent, UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : QDialog(parent), model_(ui, std::move(listPorts)) {
  SetUpSmallDialog(this);
  setFixedSize(420, 330);

  stationLabel_ = new QLabel(this);
  stationLabel_->setGeometry(20, 16, 120, 24);
  stationLabel_->setFocusPolicy(Qt::StrongFocus);  // parks the focus so no list keeps its frame
  for (auto& l : lists_) {
    auto* box = new PopupComboBox(this);
    box->setEditable(false);
    connect(box, &PopupComboBox::popupClosed, this, [this] { stationLabel_->setFocus(); });
    l = box;
  }
  lists_[kListStation]->setGeometry(150, 16, 100, 24);
  comGroup_ = new QGroupBox(this);
  comGroup_->setGeometry(12, 50, 396, 120);
  const ComList order[6] = {kListPort, kListMode, kListBaud, kListData, kListStop, kListParity};
  for (int i = 0; i < 6; ++i) {
    const int col = i % 2, row = i / 2;
    comLabels_[i] = new QLabel(comGroup_);
    comLabels_[i]->setGeometry(10 + col * 196, 22 + row * 32, 86, 24);
    lists_[order[i]]->setParent(comGroup_);
    lists_[order[i]]->setGeometry(96 + col * 196, 22 + row * 32, 92, 24);
  }
  lists_[kListPort]->view()->setMinimumWidth(260);  // device paths are long; the drop-down shows them whole
  checkGroup_ = new QGroupBox(this);
  checkGroup_->setGeometry(12, 178, 396, 96);
  autoLink_ = new QPushButton(checkGroup_);
  autoLink_->setGeometry(40, 22, 120, 28);
  link_ = new QPushButton(checkGroup_);
  link_->setGeometry(236, 22, 120, 28);
  status_ = new CDrawEdit(checkGroup_);
  status_->setGeometry(10, 60, 376, 26);
  status_->setReadOnly(true);
  status_->setEnabled(false);
  status_->setAlignment(Qt::AlignCenter);
  ok_ = new QPushButton(this);
  ok_->setGeometry(90, 288, 100, 28);
  cancel_ = new QPushButton(this);
  cancel_->setGeometry(230, 288, 100, 28);
  for (QPushButton* b : {autoLink_, link_, ok_, cancel_}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  for (int l = 0; l < kListCount; ++l) {
    connect(lists_[l], QOverload<int>::of(&QComboBox::activated), this, [this, l](int index) {
      model_.Select(static_cast<ComList>(l), index);
      stationLabel_->setFocus();
    });
  }
  connect(autoLink_, &QPushButton::clicked, this, [this] { model_.AutoLinkClick(); });
  connect(link_, &QPushButton::clicked, this, [this] { model_.LinkClick(); });
  connect(ok_, &QPushButton::clicked, this, [this] { model_.OkClick(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { model_.CancelClick(); });

  model_.SetWindow(ToWindowId(this));
  model_.onChanged = [this] { Refresh(); };
  model_.onClose = [this](bool ok) { done(ok ? QDialog::Accepted : QDialog::Rejected); };
  Relabel();
  model_.Open();
  Refresh();
}

CComSetDlg::~CComSetDlg() {
  model_.onChanged = nullptr;
  model_.onClose = nullptr;
}

void CComSetDlg::Relabel() {
  setWindowTitle(Pick(txt::kComDlgTitle));
  stationLabel_->setText(Pick(txt::kStationLabel));
  comGroup_->setTitle(Pick(txt::kComGroup));
  checkGroup_->setTitle(Pick(txt::kCheckGroup));
  const TextPair* labels[6] = {&txt::kPortLabel, &txt::kModeLabel, &txt::kBaudLabel,
                               &txt::kDataLabel, &txt::kStopLabel, &txt::kParityLabel};
  for (int i = 0; i < 6; ++i) comLabels_[i]->setText(Pick(*labels[i]));
}

void CComSetDlg::Refresh() {
  for (int l = 0; l < kListCount; ++l) {
    QComboBox* box = lists_[l];
    const ListState& s = model_.lists[l];
    bool same = box->count() == static_cast<int>(s.items.size());
    for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i).toStdString() == s.items[i];
    if (!same) {
      QSignalBlocker block(box);
      box->clear();
      for (const auto& item : s.items) box->addItem(QString::fromStdString(item));
    }
    if (box->currentIndex() != s.selection) {
      QSignalBlocker block(box);
      box->setCurrentIndex(s.selection);
    }
    if (l == kListPort) box->setToolTip(box->currentText());
    box->setEnabled(model_.listsEnabled);
  }
  const std::pair<QPushButton*, const ButtonLook*> buttons[] = {
      {autoLink_, &model_.autoLink}, {link_, &model_.link}, {ok_, &model_.ok}, {cancel_, &model_.cancel}};
  for (auto [button, look] : buttons) {
    button->setText(QString::fromStdString(look->caption));
    button->setStyleSheet(Face(look->face));
  }
  status_->setText(QString::fromStdString(model_.status));
}

void CComSetDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!opened_) {
    opened_ = true;
    stationLabel_->setFocus();
  }
}

void CComSetDlg::reject() { model_.CancelClick(); }

void CComSetDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    model_.OkClick();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    model_.CancelClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CComSetDlg::closeEvent(QCloseEvent* event) {
  if (model_.WorkerRunning()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CComSetDlg::mouseReleaseEvent(QMouseEvent* event) {
  QDialog::mouseReleaseEvent(event);
  stationLabel_->setFocus();
}

}  // namespace tolvane
