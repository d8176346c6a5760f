#include "app/condrel_app.h"

#include <QApplication>
#include <QEvent>
#include <unistd.h>

#include <cstdlib>

#include "app/ready_signal.h"
#include "core/language.h"
#include "platform/config_ini.h"
#include "platform/settings_store.h"
#include "ui/images.h"
#include "ui/main_dlg.h"
#include "ui/qt_services.h"

namespace tolvane {
int COndrelApp::Run() {
  static QtMessagePresenter presenter;
  SetMessagePresenter(&presenter);
  exeDir_ = QCoreApplication::applicationDirPath();
  // An installed program's folder is not the user's to write: config.ini then
  // lives in the user's configuration folder, which its first write creates.
  configPath_ = QString::fromStdString(ConfigIniPath(exeDir_.toStdString()));
  const bool besideExe = configPath_ == exeDir_ + "/config.ini";
  SetUiLanguage(ReadLanguageType(configPath_.toStdString()));
  QApplication::setFont(DialogFont());  // every window and message box, in the font of the language
  IniProfileStore profile;
  MainDlgDeps deps;
  deps.profile = &profile;
  deps.exeDir = exeDir_;
  const QString config = configPath_;
  // A read-only folder only costs the stored choice; this run still switches.
  deps.writeLanguage = [config, besideExe](int lang) { WriteLanguageType(config.toStdString(), lang, !besideExe); };
  COndrelDlg dlg(deps);
  ReadySignal ready(&dlg);
  dlg.exec();
  SetMessagePresenter(nullptr);
  return 0;
}

}  // namespace tolvane
