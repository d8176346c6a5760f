#include "ui/traffic_monitor_dlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

#include "core/language.h"
#include "core/message_rule.h"
#include "platform/system_files.h"
#include "ui/images.h"
#include "ui/qt_services.h"

namespace tolvane {

TrafficLinesModel::TrafficLinesModel(TrafficMonitorModel& lines, QObject* parent)
    : QAbstractListModel(parent), lines_(lines) {}

int TrafficLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.LineCount());
}

QVariant TrafficLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
    return QString::fromStdString(lines_.Line(static_cast<size_t>(index.row())));
  return {};
}

size_t TrafficLinesModel::Refresh() {
  lines_.Collect();
  if (const size_t n = lines_.PendingTrim()) {
    beginRemoveRows(QModelIndex(), 0, static_cast<int>(n) - 1);
    lines_.ApplyTrim();
    endRemoveRows();
  }
  const size_t added = lines_.PendingAppend();
  if (added) {
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(added) - 1);
    lines_.ApplyAppend();
    endInsertRows();
  }
  return added;
}

void TrafficLinesModel::Clear() {
  beginResetModel();
  lines_.Clear();
  endResetModel();
}

void TrafficLinesModel::Relabel() {
  if (rowCount() > 0) emit dataChanged(index(0), index(rowCount() - 1));
}

CTrafficMonitorDlg::CTrafficMonitorDlg(QWidget* parent, TrafficRecorder& recorder) : QDialog(parent), model_(recorder) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  setModal(false);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setFont(DialogFont());
  setWindowIcon(AppIcon());

  pause_ = new QPushButton(this);
  clear_ = new QPushButton(this);
  copy_ = new QPushButton(this);
  save_ = new QPushButton(this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {pause_, clear_, copy_, save_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  connect(pause_, &QPushButton::clicked, this, [this] { PauseClick(); });
  connect(clear_, &QPushButton::clicked, this, [this] { ClearClick(); });
  connect(copy_, &QPushButton::clicked, this, [this] { CopyClick(); });
  connect(save_, &QPushButton::clicked, this, [this] { SaveClick(); });

  note_ = new QLabel(this);
  note_->setVisible(false);

  rows_ = new TrafficLinesModel(model_, this);
  list_ = new QTreeView(this);
  list_->setModel(rows_);
  list_->setHeaderHidden(true);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);  // 10,000 lines: no row is measured on its own
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Follow new lines while the view is at the end, also when a smaller window
  // or new lines move the end away without the user scrolling.
  QScrollBar* bar = list_->verticalScrollBar();
  connect(bar, &QScrollBar::sliderMoved, this, [this, bar] { following_ = bar->value() >= bar->maximum(); });
  connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
    QMetaObject::invokeMethod(
        this, [this, bar] { following_ = bar->value() >= bar->maximum(); }, Qt::QueuedConnection);
  });
  connect(bar, &QScrollBar::rangeChanged, this, [this] {
    if (following_) list_->scrollToBottom();
  });
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->header()->setStretchLastSection(false);
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  list_->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(note_);
  layout->addWidget(list_, 1);

  chooseFile = [this] { return ChooseFileWithDialog(); };
  timer_.setInterval(kRefreshMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Refresh(); });
  resize(820, 420);
  RelabelWindow();
}

CTrafficMonitorDlg::~CTrafficMonitorDlg() { timer_.stop(); }

void CTrafficMonitorDlg::RelabelWindow() {
  setWindowTitle(Pick(txt::kMonitorTitle));
  pause_->setText(Pick(model_.paused() ? txt::kMonitorResume : txt::kMonitorPause));
  clear_->setText(Pick(txt::kMonitorClear));
  copy_->setText(Pick(txt::kMonitorCopy));
  save_->setText(Pick(txt::kMonitorSave));
  for (QPushButton* b : {pause_, clear_, copy_, save_}) b->setAccessibleName(b->text());
  // The list has no label of its own: it is what the window is named after.
  list_->setAccessibleName(windowTitle());
  UpdateNote();
  rows_->Relabel();
  contentWidth_ = 0;
  WidenFor(0);
}

void CTrafficMonitorDlg::UpdateNote() {
  const QString text = QString::fromStdString(model_.DroppedNote());
  note_->setText(text);
  note_->setAccessibleName(text);
  note_->setVisible(!text.isEmpty());
}

// One column as wide as the widest line, so that long frames scroll sideways
// instead of being cut off.
void CTrafficMonitorDlg::WidenFor(size_t firstRow) {
  const QFontMetrics metrics(list_->font());
  for (size_t row = firstRow; row < model_.LineCount(); ++row)
    contentWidth_ = std::max(contentWidth_, metrics.horizontalAdvance(QString::fromStdString(model_.Line(row))));
  list_->header()->resizeSection(0, contentWidth_ + 16);
}

void CTrafficMonitorDlg::Refresh() {
  const uint64_t droppedBefore = model_.dropped();
  const size_t added = rows_->Refresh();
  if (added) {
    WidenFor(model_.LineCount() - added);
    if (following_) list_->scrollToBottom();
  }
  if (model_.dropped() != droppedBefore) UpdateNote();
}

void CTrafficMonitorDlg::PauseClick() {
  model_.SetPaused(!model_.paused());
  pause_->setText(Pick(model_.paused() ? txt::kMonitorResume : txt::kMonitorPause));
  pause_->setAccessibleName(pause_->text());
  if (!model_.paused()) Refresh();
}

void CTrafficMonitorDlg::ClearClick() {
  rows_->Clear();
  contentWidth_ = 0;
  WidenFor(0);
  UpdateNote();
}

void CTrafficMonitorDlg::CopyClick() {
  std::vector<size_t> rows;
  for (const QModelIndex& i : list_->selectionModel()->selectedRows()) rows.push_back(static_cast<size_t>(i.row()));
  QApplication::clipboard()->setText(QString::fromStdString(model_.Text(rows)));
}

QString CTrafficMonitorDlg::ChooseFileWithDialog() {
  QFileDialog dialog(this, Pick(txt::kMonitorSaveCaption), QString(), Pick(txt::kMonitorSaveFilter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("txt");
  dialog.setDirectory(QDir::homePath());
  dialog.selectFile(QString::fromStdString(TrafficLogFileName(QDateTime::currentMSecsSinceEpoch())));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void CTrafficMonitorDlg::SaveClick() {
  const QString path = chooseFile ? chooseFile() : QString();
  if (path.isEmpty()) return;
  if (!SaveTo(path)) ShowMessagePair(ToWindowId(this), txt::kMonitorSaveFailed);
}

bool CTrafficMonitorDlg::SaveTo(const QString& path) {
  // A reader sees the old file or the whole new one, never a part.
  return sysfile::ReplaceFile(QFile::encodeName(path).toStdString(), model_.Text());
}

void CTrafficMonitorDlg::PlaceBeside(const QWidget* window) {
  const QRect main = window->frameGeometry();
  const QScreen* screen = window->screen();
  const QRect avail = screen ? screen->availableGeometry() : QRect();
  const int gap = 8;
  QPoint at(main.right() + 1 + gap, main.top());
  if (avail.isValid() && at.x() + width() > avail.right()) {
    // On the left when it fits there, else as far right as the screen allows.
    if (main.left() - gap - width() >= avail.left())
      at.setX(main.left() - gap - width());
    else
      at.setX(std::max(avail.left(), avail.right() - width()));
  }
  move(at);
}

void CTrafficMonitorDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Refresh();
  timer_.start();
}

void CTrafficMonitorDlg::hideEvent(QHideEvent* event) {
  timer_.stop();
  QDialog::hideEvent(event);
}

void CTrafficMonitorDlg::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing here; Escape closes the window as every dialog's does.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

bool CTrafficMonitorDlg::eventFilter(QObject* watched, QEvent* event) {
  // The list's own Copy would take only the current line.
  if (watched == list_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopyClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tolvane
