#include "ui/com_set_dlg.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "core/language.h"
#include "platform/port_list.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/qt_services.h"

namespace tolvane {

UiDispatcher& CComSetDlg::GuiDispatcherRef() { return GuiDispatcher(); }

namespace {
QString Face(uint32_t rgb) {
  return QString(
             "QPushButton { background-color: #%1; color: white; border: 1px solid #0d3f73; padding: 2px; }"
             "QPushButton:pressed { padding-left: 3px; padding-top: 3px; }")
      .arg(rgb, 6, 16, QChar('0'));
}
}  // namespace

QString PortItemDelegate::TextOf(const QModelIndex& index) {
  const QString line = index.data(kPortDescriptionRole).toString();
  return line.isEmpty() ? index.data(Qt::DisplayRole).toString() : line;
}

void PortItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  option->text = TextOf(index);
}

CComSetDlg::CComSetDlg(QWidget* parent, UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts,
                       DescribePorts describePorts)
    : QDialog(parent),
      describePorts_(describePorts ? std::move(describePorts)
                                   : [](const std::vector<std::string>& names) { return DescribeSerialPorts(names); }),
      model_(
          ui, listPorts ? std::move(listPorts) : [] { return ListSerialPorts(); }) {
  SetUpSmallDialog(this);
  // Laid out for 96 pixels per inch and scaled with the screen's, as the font is,
  // so that every text keeps its room on a screen of higher resolution.
  const double scale = logicalDpiY() / 96.0;
  auto s = [scale](int v) { return qRound(v * scale); };
  // The status line takes the longest status of the language in one line; the
  // dialog widens with it where the usual width is too narrow.
  // At least wide enough that the port list shows a path like "/dev/ttyUSB0" or
  // "/tmp/simport2" whole in the narrower Chinese layout too.
  int statusWidth = s(432);
  for (const TextPair& text : StatusTexts())
    statusWidth = std::max(statusWidth, fontMetrics().horizontalAdvance(QString::fromUtf8(Pick(text))) + s(24));
  const int width = statusWidth + s(44), groupWidth = width - s(24), column = (groupWidth - s(4)) / 2;
  setFixedSize(width, s(330));

  stationLabel_ = new QLabel(this);
  stationLabel_->setGeometry(s(20), s(16), s(120), s(24));
  stationLabel_->setFocusPolicy(Qt::StrongFocus);  // parks the focus so no list keeps its frame
  for (auto& l : lists_) {
    auto* box = new PopupComboBox(this);
    box->setEditable(false);
    connect(box, &PopupComboBox::popupClosed, this, [this] { stationLabel_->setFocus(); });
    l = box;
  }
  lists_[kListStation]->setGeometry(s(150), s(16), s(100), s(24));
  stationLabel_->setBuddy(lists_[kListStation]);
  comGroup_ = new QGroupBox(this);
  comGroup_->setGeometry(s(12), s(50), groupWidth, s(120));
  for (int i = 0; i < 6; ++i) {
    const int col = i % 2, row = i / 2;
    QComboBox* list = lists_[LineSettingPlaces()[i].list];
    comLabels_[i] = new QLabel(comGroup_);
    comLabels_[i]->setGeometry(s(10) + col * column, s(22 + row * 32), s(86), s(24));
    list->setParent(comGroup_);
    // A list takes the room of its column where the dialog has widened.
    list->setGeometry(s(96) + col * column, s(22 + row * 32), column - s(104), s(24));
    comLabels_[i]->setBuddy(list);
  }
  lists_[kListPort]->setItemDelegate(new PortItemDelegate(lists_[kListPort]));
  checkGroup_ = new QGroupBox(this);
  checkGroup_->setGeometry(s(12), s(178), groupWidth, s(96));
  autoLink_ = new QPushButton(checkGroup_);
  autoLink_->setGeometry(s(40), s(22), s(120), s(28));
  link_ = new QPushButton(checkGroup_);
  link_->setGeometry(groupWidth - s(160), s(22), s(120), s(28));
  status_ = new CDrawEdit(checkGroup_);
  status_->setGeometry(s(10), s(60), statusWidth, s(26));
  status_->setReadOnly(true);
  status_->setEnabled(false);
  status_->setAlignment(Qt::AlignCenter);
  ok_ = new QPushButton(this);
  ok_->setGeometry(width / 2 - s(120), s(288), s(100), s(28));
  cancel_ = new QPushButton(this);
  cancel_->setGeometry(width / 2 + s(20), s(288), s(100), s(28));
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
  // A list hides its drop-down as it goes, after this part of the dialog is gone.
  for (QComboBox* l : lists_) l->disconnect(this);
}

void CComSetDlg::Relabel() {
  setWindowTitle(Pick(txt::kComDlgTitle));
  stationLabel_->setText(Pick(txt::kStationLabel));
  comGroup_->setTitle(Pick(txt::kComGroup));
  checkGroup_->setTitle(Pick(txt::kCheckGroup));
  for (int i = 0; i < 6; ++i) comLabels_[i]->setText(Pick(*LineSettingPlaces()[i].label));
  // A list would be named by its current entry; it is named by its label.
  for (QLabel* label : findChildren<QLabel*>())
    if (label->buddy()) label->buddy()->setAccessibleName(label->text());
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
      if (l == kListPort) DescribePortItems();
    }
    if (box->currentIndex() != s.selection) {
      QSignalBlocker block(box);
      box->setCurrentIndex(s.selection);
    }
    if (l == kListPort) {
      const QString stable = box->currentData(Qt::ToolTipRole).toString();
      box->setToolTip(stable.isEmpty() ? box->currentText() : box->currentText() + "\n" + stable);
    }
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

// Each port's line in the drop-down says what it is, and its tooltip gives the
// stable by-id name that survives re-plugging. Asked afresh whenever the list is.
void CComSetDlg::DescribePortItems() {
  QComboBox* box = lists_[kListPort];
  const std::vector<PortInfo> infos = describePorts_(model_.lists[kListPort].items);
  // Device paths and descriptions are long; the drop-down shows them whole.
  int width = qRound(260 * logicalDpiY() / 96.0);
  for (int i = 0; i < box->count() && i < static_cast<int>(infos.size()); ++i) {
    const QString line = QString::fromStdString(PortDropDownText(infos[i]));
    box->setItemData(i, line, kPortDescriptionRole);
    if (!infos[i].stableName.empty() && infos[i].stableName != infos[i].name)  // a by-id name needs no second
      box->setItemData(i, QString::fromStdString(infos[i].stableName), Qt::ToolTipRole);
    width = std::max(width, box->view()->fontMetrics().horizontalAdvance(line) + qRound(24 * logicalDpiY() / 96.0));
  }
  box->view()->setMinimumWidth(width);
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
