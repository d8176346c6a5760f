#include "app/condrel_app.h"

#include <QApplication>

#include "core/language.h"
#include "platform/config_ini.h"
#include "platform/settings_store.h"
#include "ui/images.h"
#include "ui/main_dlg.h"
#include "ui/qt_services.h"

namespace tolvane {

int COndrelApp::Run() {
  QApplication::setFont(DialogFont());  // every window and message box
  static QtMessagePresenter presenter;
  SetMessagePresenter(&presenter);
  exeDir_ = QCoreApplication::applicationDirPath();
  configPath_ = exeDir_ + "/config.ini";
  SetUiLanguage(ReadLanguageType(configPath_));
  IniProfileStore profile;
  MainDlgDeps deps;
  deps.profile = &profile;
  deps.exeDir = exeDir_;
  const QString config = configPath_;
  // A read-only folder only costs the stored choice; this run still switches.
  deps.writeLanguage = [config](int lang) { WriteLanguageType(config, lang); };
  COndrelDlg dlg(deps);
  dlg.exec();
  SetMessagePresenter(nullptr);
  return 0;
}

}  // namespace tolvane
