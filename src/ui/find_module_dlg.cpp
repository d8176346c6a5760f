#include "ui/find_module_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "core/language.h"
#include "platform/port_list.h"
#include "ui/images.h"
#include "ui/qt_services.h"

namespace tolvane {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

CFindModuleDlg::CFindModuleDlg(QWidget* parent, UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts,
                               DescribePorts describePorts)
    : QDialog(parent),
      describePorts_(describePorts ? std::move(describePorts)
                                   : [](const std::vector<std::string>& names) { return DescribeSerialPorts(names); }),
      model_(
          ui, listPorts ? std::move(listPorts) : [] { return ListSerialPorts(); }) {
  SetUpSmallDialog(this);
  auto* grid = new QGridLayout(this);
  portLabel_ = new QLabel(this);
  ports_ = new QComboBox(this);
  ports_->setItemDelegate(new PortItemDelegate(ports_));
  fromLabel_ = new QLabel(this);
  from_ = new QLineEdit(this);
  toLabel_ = new QLabel(this);
  to_ = new QLineEdit(this);
  for (QLineEdit* e : {from_, to_}) e->setMaxLength(3);
  linesLabel_ = new QLabel(this);
  lines_ = new QComboBox(this);
  findAll_ = new QCheckBox(this);
  search_ = new QPushButton(this);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, 100);
  figures_ = new QLabel(this);
  resultsLabel_ = new QLabel(this);
  results_ = new QTreeWidget(this);
  results_->setColumnCount(4);
  results_->setRootIsDecorated(false);
  results_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  status_ = new QLabel(this);
  use_ = new QPushButton(this);
  close_ = new QPushButton(this);
  for (QPushButton* b : {search_, use_, close_}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  portLabel_->setBuddy(ports_);
  fromLabel_->setBuddy(from_);
  toLabel_->setBuddy(to_);
  linesLabel_->setBuddy(lines_);
  resultsLabel_->setBuddy(results_);

  grid->addWidget(portLabel_, 0, 0);
  grid->addWidget(ports_, 0, 1, 1, 3);
  grid->addWidget(fromLabel_, 1, 0);
  grid->addWidget(from_, 1, 1);
  grid->addWidget(toLabel_, 1, 2);
  grid->addWidget(to_, 1, 3);
  grid->addWidget(linesLabel_, 2, 0);
  grid->addWidget(lines_, 2, 1, 1, 3);
  grid->addWidget(findAll_, 3, 0, 1, 3);
  grid->addWidget(search_, 3, 3);
  grid->addWidget(progress_, 4, 0, 1, 4);
  grid->addWidget(figures_, 5, 0, 1, 4);
  grid->addWidget(resultsLabel_, 6, 0, 1, 4);
  grid->addWidget(results_, 7, 0, 1, 4);
  grid->addWidget(status_, 8, 0, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(use_);
  buttons->addWidget(close_);
  grid->addLayout(buttons, 9, 0, 1, 4);
  resize(qRound(520 * logicalDpiY() / 96.0), qRound(440 * logicalDpiY() / 96.0));

  connect(ports_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) { model_.SelectPort(i); });
  connect(lines_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) { model_.SelectLines(i); });
  connect(from_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.SetFrom(t.toStdString()); });
  connect(to_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.SetTo(t.toStdString()); });
  connect(findAll_, &QCheckBox::clicked, this, [this](bool on) { model_.SetFindAll(on); });
  connect(search_, &QPushButton::clicked, this, [this] { model_.SearchClick(); });
  connect(use_, &QPushButton::clicked, this, [this] { model_.UseClick(); });
  connect(close_, &QPushButton::clicked, this, [this] { model_.CloseClick(); });
  connect(results_, &QTreeWidget::currentItemChanged, this, [this] {
    const int row = results_->indexOfTopLevelItem(results_->currentItem());
    if (row != model_.selected) model_.SelectResult(row);
  });

  model_.SetWindow(ToWindowId(this));
  model_.onChanged = [this] { Refresh(); };
  model_.onClose = [this](bool used) { done(used ? QDialog::Accepted : QDialog::Rejected); };
  Relabel();
  model_.Open();
  // The port list as the settings dialog shows it: each port's line says what it is.
  const std::vector<PortInfo> infos = describePorts_(model_.ports.items);
  for (int i = 0; i < ports_->count() && i < static_cast<int>(infos.size()); ++i)
    ports_->setItemData(i, Q(PortDropDownText(infos[static_cast<size_t>(i)])), kPortDescriptionRole);
}

CFindModuleDlg::~CFindModuleDlg() {
  model_.onChanged = nullptr;
  model_.onClose = nullptr;
  results_->disconnect(this);
}

void CFindModuleDlg::Relabel() {
  setWindowTitle(Pick(txt::kFindTitle));
  portLabel_->setText(Pick(txt::kPortLabel));
  fromLabel_->setText(Pick(txt::kFindFrom));
  toLabel_->setText(Pick(txt::kFindTo));
  linesLabel_->setText(Pick(txt::kFindLines));
  resultsLabel_->setText(Pick(txt::kFindResults));
  findAll_->setText(Pick(txt::kFindAllModules));
  use_->setText(Pick(txt::kFindUse));
  close_->setText(Pick(txt::kFindClose));
  QStringList columns;
  for (const TextPair* heading : ResultColumns()) columns << Pick(*heading);
  results_->setHeaderLabels(columns);
  // Each control is named by its label, a button or box by its own text.
  for (QLabel* label : findChildren<QLabel*>())
    if (label->buddy()) label->buddy()->setAccessibleName(label->text());
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{findAll_, use_, close_})
    b->setAccessibleName(b->text());
}

void CFindModuleDlg::Refresh() {
  auto fill = [](QComboBox* box, const ListState& s) {
    bool same = box->count() == static_cast<int>(s.items.size());
    for (int i = 0; same && i < box->count(); ++i) same = box->itemText(i).toStdString() == s.items[i];
    QSignalBlocker block(box);
    if (!same) {
      box->clear();
      for (const std::string& item : s.items) box->addItem(Q(item));
    }
    box->setCurrentIndex(s.selection);
  };
  fill(ports_, model_.ports);
  fill(lines_, model_.lines);
  if (from_->text().toStdString() != model_.fromText) from_->setText(Q(model_.fromText));
  if (to_->text().toStdString() != model_.toText) to_->setText(Q(model_.toText));
  findAll_->setChecked(model_.findAll);
  for (QWidget* w : std::initializer_list<QWidget*>{ports_, from_, to_, lines_, findAll_, close_})
    w->setEnabled(model_.inputsEnabled);
  search_->setText(Q(model_.searchCaption));
  search_->setAccessibleName(search_->text());
  progress_->setValue(model_.percent);
  figures_->setText(Q(model_.figures));
  progress_->setAccessibleName(figures_->text());  // the figures under the bar are its label
  status_->setText(Q(model_.status));
  QSignalBlocker block(results_);
  if (results_->topLevelItemCount() != static_cast<int>(model_.results.size())) {
    results_->clear();
    for (const FoundModule& m : model_.results) {
      const FindResultRow r = ResultRow(m);
      results_->addTopLevelItem(new QTreeWidgetItem({Q(r.station), Q(r.baud), Q(r.format), Q(r.model)}));
    }
  }
  results_->setCurrentItem(model_.selected >= 0 ? results_->topLevelItem(model_.selected) : nullptr);
  use_->setEnabled(model_.useEnabled);
}

void CFindModuleDlg::reject() { model_.CloseClick(); }

// The frame's close box is Close: the model ends the dialog, or refuses while a search runs.
void CFindModuleDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  model_.CloseClick();
}

}  // namespace tolvane
