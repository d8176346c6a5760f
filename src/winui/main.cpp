// tolvane.exe: the window program on Windows.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <string>

#include "core/language.h"
#include "platform/config_ini.h"
#include "platform/user_profile.h"
#include "winui/main_dlg.h"
#include "winui/text_conversion.h"
#include "winui/win_services.h"

int main() {
  using namespace tolvane;
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  // The shell's "open" of the user guide may hand the request to a shell
  // extension, which wants a single-threaded apartment; Help is all that needs it.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring exeDir = module;
  exeDir = exeDir.substr(0, exeDir.find_last_of(L'\\') == std::wstring::npos ? 0 : exeDir.find_last_of(L'\\'));
  std::string folder = win::Utf8(exeDir);
  std::replace(folder.begin(), folder.end(), '\\', '/');
  const std::string config = ConfigIniPath(folder);
  SetUiLanguage(ReadLanguageType(config));

  win::Win32MessagePresenter presenter;
  SetMessagePresenter(&presenter);
  const std::unique_ptr<ProfileStore> profile = OpenUserProfile();
  win::MainDeps deps;
  deps.profile = profile.get();
  deps.exeDir = exeDir;
  // A folder that cannot be written only costs the stored choice: this run still switches.
  deps.writeLanguage = [config](int language) { WriteLanguageType(config, language); };
  {
    win::COndrelDlg dlg(deps);
    dlg.RunModal(nullptr);
  }
  SetMessagePresenter(nullptr);
  if (com) CoUninitialize();
  return 0;
}
