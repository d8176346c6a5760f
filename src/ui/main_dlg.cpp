#include "ui/main_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

#include "core/language.h"
#include "device/parameter_block.h"
#include "models/commands.h"
#include "models/parameter_file.h"
#include "platform/ini_file.h"
#include "tolvane_version.h"
#include "ui/about_dlg.h"
#include "ui/com_set_dlg.h"
#include "ui/controls.h"
#include "ui/find_module_dlg.h"
#include "ui/images.h"
#include "ui/lang_set_dlg.h"
#include "ui/qt_services.h"
#include "ui/traffic_monitor_dlg.h"

namespace tolvane {

namespace {
int AddressIndex(Field f) { return f == kIpAddress ? 0 : f == kSubnetMask ? 1 : f == kGateway ? 2 : -1; }

// Qt's own file dialog rather than the desktop's, so that it behaves the same
// everywhere; whether to replace a file is asked through the message rule.
QString AskParameterPath(QWidget* owner, bool save, const QString& caption, const QString& start,
                         const QString& filter) {
  QFileDialog dlg(owner, caption, start, filter);
  dlg.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setDefaultSuffix("ini");
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().first();
}

std::string LocalPath(const std::string& utf8) { return QFile::encodeName(QString::fromStdString(utf8)).toStdString(); }

// The platform's files for Save and Load: the whole file replaced at once.
ParameterFileAccess ParameterFiles() {
  ParameterFileAccess files;
  files.exists = [](const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); };
  files.replace = [](const std::string& path, const std::string& bytes) {
    return ini::WriteWholeFile(LocalPath(path), bytes);
  };
  files.read = [](const std::string& path, bool* tooLarge) -> std::optional<std::string> {
    ini::FileText file = ini::ReadFile(LocalPath(path), kMaxParameterFileBytes);
    *tooLarge = file.tooLarge;
    if (file.state != ini::FileState::kRead) return std::nullopt;
    return std::move(file.bytes);
  };
  return files;
}
}  // namespace

COndrelDlg::COndrelDlg(MainDlgDeps deps, QWidget* parent) : QDialog(parent), deps_(std::move(deps)) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(txt::kWindowTitle);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::Base, Qt::white);
  setPalette(pal);
  setFont(DialogFont());
  resize(660, 470);

  menuBar_ = new QMenuBar(this);
  menuBar_->setGeometry(0, 0, 660, 24);
  for (QMenu*& menu : menus_) menu = menuBar_->addMenu(QString());
  menuItems_ = {menus_[0]->addAction(QString(), this, [this] { ConnectionCommand(); }),
                menus_[0]->addAction(QString(), this, [this] { RestoreFactoryCommand(); }),
                menus_[1]->addAction(QString(), this, [this] { LanguageCommand(); }),
                menus_[2]->addAction(QString(), this, [this] { HelpCommand(); }),
                menus_[2]->addAction(QString(), this, [this] { AboutCommand(); })};
  menus_[0]->insertSeparator(menuItems_[1]);
  monitorItem_ = new QAction(this);
  monitorItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  monitorItem_->setShortcutContext(Qt::WindowShortcut);
  connect(monitorItem_, &QAction::triggered, this, [this] { TrafficMonitorCommand(); });
  menus_[0]->insertAction(menus_[0]->actions()[1], monitorItem_);
  addAction(monitorItem_);
  findModuleItem_ = new QAction(this);
  connect(findModuleItem_, &QAction::triggered, this, [this] { FindModuleCommand(); });
  menus_[0]->insertAction(monitorItem_, findModuleItem_);
  QAction* about = menuItems_[4];
  about->setShortcut(QKeySequence::HelpContents);
  about->setShortcutContext(Qt::WindowShortcut);
  addAction(about);
  menus_[1]->addSeparator();
  saveParamsItem_ = menus_[1]->addAction(QString(), this, [this] { SaveParametersCommand(); });
  loadParamsItem_ = menus_[1]->addAction(QString(), this, [this] { LoadParametersCommand(); });
  saveParamsItem_->setShortcut(QKeySequence::Save);
  loadParamsItem_->setShortcut(QKeySequence::Open);
  for (QAction* item : {saveParamsItem_, loadParamsItem_}) {
    item->setShortcutContext(Qt::WindowShortcut);
    addAction(item);
  }
  parameterFolder_ = deps_.parameterFolder;
  if (parameterFolder_.isEmpty()) {
    // Many minimal systems have no Documents folder: the prompt must open somewhere real.
    parameterFolder_ = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(parameterFolder_).isDir()) parameterFolder_ = QDir::homePath();
  }
  focusSink_ = new QWidget(this);
  focusSink_->setGeometry(0, 0, 0, 0);
  focusSink_->setFocusPolicy(Qt::StrongFocus);

  const int groupTop[4] = {32, 146, 236, 326};
  const int groupHeight[4] = {104, 80, 80, 104};
  for (int g = 0; g < 4; ++g) {
    groups_[g] = new QGroupBox(this);
    groups_[g]->setGeometry(10, groupTop[g], 640, groupHeight[g]);
  }
  auto place = [&](Field f, int g, int x, int y, int labelWidth, int fieldWidth) {
    labels_[f] = new QLabel(groups_[g]);
    labels_[f]->setGeometry(x, y, labelWidth, 24);
    if (AddressIndex(f) >= 0) {
      auto* a = new IpAddressEdit(groups_[g]);
      a->setGeometry(x + labelWidth, y, fieldWidth, 24);
      labels_[f]->setBuddy(a->octets()[0]);
      addresses_[AddressIndex(f)] = a;
      connect(a, &IpAddressEdit::focusLeft, this, [this] { model_.OnFieldFocusLost(); });
      return;
    }
    auto* e = new CDrawEdit(groups_[g]);
    e->setGeometry(x + labelWidth, y, fieldWidth, 24);
    e->installEventFilter(this);
    labels_[f]->setBuddy(e);
    edits_[f] = e;
  };
  place(kModuleType, 0, 14, 32, 150, 140);
  place(kSoftwareVersion, 0, 14, 66, 150, 140);
  place(kContractVersion, 0, 314, 32, 160, 130);
  place(kHardwareVersion, 0, 314, 66, 160, 130);
  place(kStation, 1, 14, 36, 90, 50);
  place(kStopAddress, 2, 14, 36, 150, 130);
  place(kStopCode, 2, 314, 36, 160, 130);
  place(kIpAddress, 3, 14, 32, 100, 180);
  place(kGateway, 3, 14, 66, 100, 180);
  place(kSubnetMask, 3, 314, 32, 100, 180);
  place(kMacAddress, 3, 314, 66, 100, 180);
  for (Field f : {kModuleType, kSoftwareVersion, kContractVersion, kHardwareVersion, kMacAddress})
    edits_[f]->setReadOnly(true);
  edits_[kMacAddress]->setAlignment(Qt::AlignCenter);

  modeLabel_ = new QLabel(groups_[1]);
  modeLabel_->setGeometry(170, 36, 140, 24);
  modeList_ = new PopupComboBox(groups_[1]);
  modeList_->setGeometry(310, 36, 140, 24);
  baudLabel_ = new QLabel(groups_[1]);
  baudLabel_->setGeometry(464, 36, 76, 24);
  baudList_ = new PopupComboBox(groups_[1]);
  baudList_->setGeometry(540, 36, 90, 24);
  modeLabel_->setBuddy(modeList_);
  baudLabel_->setBuddy(baudList_);
  connect(baudList_, QOverload<int>::of(&QComboBox::activated), this, [this](int i) { model_.OnSelectBaudRate(i); });
  for (QComboBox* box : {modeList_, baudList_})
    connect(static_cast<PopupComboBox*>(box), &PopupComboBox::popupClosed, this, [this] { FocusAway(); });

  for (int g = 0; g < 4; ++g) {
    buttons_[g] = new CButtonST(this);
    buttons_[g]->setAutoDefault(false);
  }
  connect(buttons_[0], &QPushButton::clicked, this, [this] { UploadParameters(model_); });
  connect(buttons_[1], &QPushButton::clicked, this, [this] { ModifyCommParameters(model_); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] { WriteShutdownParameters(model_); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { DownloadNetworkConfiguration(model_); });

  model_.SetView(this, ToWindowId(this));
  OnInitDialog();
}

COndrelDlg::~COndrelDlg() {
  // The children outlive this part of the window: their last focus and popup
  // reports must not reach a model that is already gone.
  for (CDrawEdit* e : edits_)
    if (e) e->removeEventFilter(this);
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
  model_.SetView(nullptr, nullptr);
}

void COndrelDlg::OnInitDialog() {
  model_.Start(deps_.profile);
  setWindowIcon(AppIcon());
  int dpi = deps_.logicalDpiY;
  if (dpi <= 0) dpi = screen() ? static_cast<int>(screen()->logicalDotsPerInchY()) : 96;
  imageSize_ = ToQSize(ButtonImageSize(dpi));
  for (int g = 0; g < 4; ++g) {
    const QPixmap pm = g == 0 ? UploadImage(imageSize_) : DownloadImage(imageSize_);
    buttons_[g]->SetImages(pm, pm);
    buttons_[g]->SetAlign(ImageAlign::Top);
    const QRect gr = groups_[g]->geometry();
    buttons_[g]->setGeometry(gr.right() - imageSize_.width() - 14, gr.top() - imageSize_.height() / 2 + 6,
                             imageSize_.width() + 4, imageSize_.height() + 4);
    buttons_[g]->raise();
  }
  RelabelWindow();
  edits_[kStation]->SetHintText(Pick(txt::kHintStation));
  edits_[kStopAddress]->SetHintText(Pick(txt::kHintStopAddr));
  edits_[kStopCode]->SetHintText(Pick(txt::kHintStopCode));
  for (const char* e : CommModeEntries()) modeList_->addItem(e);
  for (const char* e : BaudCodeEntries()) baudList_->addItem(e);
  model_.Initialise();
  modeList_->setEnabled(false);
}

void COndrelDlg::RelabelWindow() {
  const TextPair* menuTitles[3] = {&txt::kMenuComm, &txt::kMenuSetting, &txt::kMenuHelp};
  for (int m = 0; m < 3; ++m) menus_[m]->setTitle(Pick(*menuTitles[m]));
  const TextPair* items[5] = {&txt::kMenuConnection, &txt::kMenuRestore, &txt::kMenuLanguage, &txt::kMenuUsingHelp,
                              &txt::kMenuAbout};
  for (int i = 0; i < 5; ++i) menuItems_[i]->setText(Pick(*items[i]));
  monitorItem_->setText(Pick(txt::kMenuTrafficMonitor));
  findModuleItem_->setText(Pick(txt::kMenuFindModule));
  if (monitor_) monitor_->RelabelWindow();
  saveParamsItem_->setText(Pick(txt::kMenuSaveParams));
  loadParamsItem_->setText(Pick(txt::kMenuLoadParams));

  // Each control is named after its visible label for screen readers; a
  // command button, which shows only an image, after the group it serves.
  for (int g = 0; g < kGroupCount; ++g) {
    groups_[g]->setTitle(Pick(GroupCaption(g)));
    buttons_[g]->setAccessibleName(groups_[g]->title());
  }
  for (int f = 0; f < kFieldCount; ++f) {
    labels_[f]->setText(Pick(FieldLabel(static_cast<Field>(f))));
    fieldWidget(static_cast<Field>(f))->setAccessibleName(labels_[f]->text());
  }
  for (IpAddressEdit* a : addresses_)
    for (CDrawEdit* octet : a->octets()) octet->setAccessibleName(a->accessibleName());
  modeLabel_->setText(Pick(txt::kLblCommMode));
  baudLabel_->setText(Pick(txt::kLblBaud));
  FitLabels();
}

// The rows were drawn for narrow letters; the system's sans serif font of the
// English interface may be wider. A label whose text needs more room takes it
// from the start of its field, which keeps its right edge.
void COndrelDlg::FitLabels() {
  if (rows_.empty()) {
    for (int f = 0; f < kFieldCount; ++f) rows_.push_back({labels_[f], fieldWidget(static_cast<Field>(f)), {}, {}});
    rows_.push_back({modeLabel_, modeList_, {}, {}});
    rows_.push_back({baudLabel_, baudList_, {}, {}});
    for (LabelRow& r : rows_) {
      r.labelRect = r.label->geometry();
      r.fieldRect = r.field->geometry();
    }
  }
  for (const LabelRow& r : rows_) {
    const int need = r.label->fontMetrics().horizontalAdvance(r.label->text()) + 6;
    const int extra = std::clamp(need - r.labelRect.width(), 0, r.fieldRect.width() / 3);
    r.label->setGeometry(r.labelRect.adjusted(0, 0, extra, 0));
    r.field->setGeometry(r.fieldRect.adjusted(extra, 0, 0, 0));
  }
}

QWidget* COndrelDlg::fieldWidget(Field f) const {
  int a = AddressIndex(f);
  if (a >= 0) return addresses_[a];
  return edits_[f];
}

void COndrelDlg::Pull(MainModel& m) {
  for (int f = 0; f < kFieldCount; ++f) {
    int a = AddressIndex(static_cast<Field>(f));
    m.fields[f] = (a >= 0 ? addresses_[a]->text() : edits_[f]->text()).toStdString();
  }
  m.modeSelection = modeList_->currentIndex();
  m.baudSelection = baudList_->currentIndex();
}

void COndrelDlg::Push(const MainModel& m) {
  for (int f = 0; f < kFieldCount; ++f) {
    const QString text = QString::fromStdString(m.fields[f]);
    int a = AddressIndex(static_cast<Field>(f));
    if (a >= 0) {
      if (addresses_[a]->text() != text) addresses_[a]->setText(text);
    } else if (edits_[f]->text() != text) {
      edits_[f]->setText(text);
    }
  }
  if (modeList_->currentIndex() != m.modeSelection) modeList_->setCurrentIndex(m.modeSelection);
  if (baudList_->currentIndex() != m.baudSelection) baudList_->setCurrentIndex(m.baudSelection);
  modeList_->update();
  baudList_->update();
}

void COndrelDlg::FocusField(Field f) {
  int a = AddressIndex(f);
  if (a >= 0)
    addresses_[a]->octets()[0]->setFocus();
  else
    edits_[f]->setFocus();
}

void COndrelDlg::FocusAway() { focusSink_->setFocus(); }

bool COndrelDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && qobject_cast<CDrawEdit*>(watched) &&
      FocusMovesWithinWindow(static_cast<QWidget*>(watched), static_cast<QFocusEvent*>(event)))
    model_.OnFieldFocusLost();
  return QDialog::eventFilter(watched, event);
}

void COndrelDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      return;  // the window stays open
    case Qt::Key_Return:
    case Qt::Key_Enter:
      accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void COndrelDlg::mouseReleaseEvent(QMouseEvent* event) {
  QDialog::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) FocusAway();
}

void COndrelDlg::ConnectionCommand() {
  CComSetDlg dlg(this);
  const int result = dlg.exec();
  model_.ConnectionDialogEnded(result == QDialog::Accepted, dlg.model().linkStarted);
}

// Use in the dialog stores the module's settings and connects as Link does; the
// window then reads the module as after a Link.
void COndrelDlg::FindModuleCommand() {
  CFindModuleDlg dlg(this);
  if (dlg.exec() == QDialog::Accepted) model_.ConnectionDialogEnded(true, true);
}

void COndrelDlg::RestoreFactoryCommand() { RestoreFactory(model_); }

void COndrelDlg::TrafficMonitorCommand() {
  if (!monitor_) {
    monitor_ = new CTrafficMonitorDlg(this);
    monitor_->PlaceBeside(this);
  }
  monitor_->show();
  monitor_->raise();
  monitor_->activateWindow();
}

void COndrelDlg::LanguageCommand() {
  const int before = UiLanguage();
  CLangSetDlg dlg(this, deps_.writeLanguage);
  dlg.exec();
  if (UiLanguage() == before) return;
  // The other language has its own dialog font (see DialogFont).
  QApplication::setFont(DialogFont());
  setFont(DialogFont());
  RelabelWindow();
}

QString COndrelDlg::helpPath() const {
  const QString name = UserGuideName();
  const QString beside = deps_.exeDir + "/" + name;
  // An installed program finds its guides where the package put them.
  if (QFileInfo::exists(beside)) return beside;
  return QDir::cleanPath(deps_.exeDir + "/" + kInstalledDocDirFromBin + "/" + name);
}

void COndrelDlg::HelpCommand() {
  const QString path = helpPath();
  if (deps_.openDocument)
    deps_.openDocument(path);
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void COndrelDlg::SaveParametersCommand() {
  const std::optional<ModuleParameters> values = CollectParameters(model_);
  if (!values) return;
  const QString caption = Pick(txt::kParamSaveTitle), filter = Pick(txt::kParamFileFilter);
  const QString proposed = QDir(parameterFolder_).filePath(QString::fromStdString(ProposedParameterFileName(*values)));
  const QString path = deps_.askSavePath ? deps_.askSavePath(caption, proposed, filter)
                                         : AskParameterPath(this, true, caption, proposed, filter);
  if (path.isEmpty()) return;
  const ParameterFileStamp stamp{kVersion, SavedStamp(QDateTime::currentSecsSinceEpoch())};
  const std::string written =
      SaveParameterFile(model_, *values, QDir::toNativeSeparators(path).toStdString(), stamp, ParameterFiles());
  if (!written.empty()) parameterFolder_ = QFileInfo(QString::fromStdString(written)).absolutePath();
}

void COndrelDlg::LoadParametersCommand() {
  if (!RequireConnection(model_)) return;  // before the user picks a file
  const QString caption = Pick(txt::kParamLoadTitle), filter = Pick(txt::kParamFileFilter);
  const QString path = deps_.askOpenPath ? deps_.askOpenPath(caption, parameterFolder_, filter)
                                         : AskParameterPath(this, false, caption, parameterFolder_, filter);
  if (path.isEmpty()) return;
  LoadParameterFile(model_, QDir::toNativeSeparators(path).toStdString(), ParameterFiles());
  if (QFileInfo(path).isFile()) parameterFolder_ = QFileInfo(path).absolutePath();
}

void COndrelDlg::AboutCommand() {
  CAboutDlg dlg(this);
  dlg.exec();
}

}  // namespace tolvane
