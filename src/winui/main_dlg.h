// The main window on Win32: a view over MainModel.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "core/dispatcher.h"
#include "models/control_rules.h"
#include "models/main_model.h"
#include "winui/dialog.h"
#include "winui/file_prompt.h"

namespace tolvane::win {

// Control and command identifiers of the main window.
inline constexpr int kIdField = 1000;  // + Field
inline constexpr int kIdModeList = 1100;
inline constexpr int kIdBaudList = 1101;
inline constexpr int kIdButton = 1200;  // + group
inline constexpr int kIdFocusSink = 1300;
inline constexpr int kIdLabel = 1400;  // + Field
inline constexpr int kIdGroup = 1500;  // + group
inline constexpr int kIdModeLabel = 1600;
inline constexpr int kIdBaudLabel = 1601;
inline constexpr int kCmdConnection = 2001;
inline constexpr int kCmdRestore = 2002;
inline constexpr int kCmdLanguage = 2003;
inline constexpr int kCmdHelp = 2004;
inline constexpr int kCmdAbout = 2005;
inline constexpr int kCmdTrafficMonitor = 2006;
inline constexpr int kCmdSaveParams = 2007;
inline constexpr int kCmdLoadParams = 2008;
inline constexpr int kCmdFindModule = 2009;
inline constexpr int kSysAbout = 16;  // the system menu's About item

struct MainDeps {
  ProfileStore* profile = nullptr;
  std::function<void(int)> writeLanguage;  // config.ini
  std::wstring exeDir;
  std::function<void(const std::wstring&)> openDocument;  // the shell's "open" when unset
  // How the window runs its dialogs (modal when unset); a test drives them itself.
  std::function<INT_PTR(Dialog&, HWND owner)> runDialog;
  std::function<std::vector<std::string>()> listPorts;  // the system's when unset
  UiDispatcher* ui = nullptr;                           // the window thread's when unset
  // The file prompts of Save/Load Parameters and of the monitor's Save as Text
  // (the system's file dialogs when unset); an empty answer cancels.
  std::function<std::string(const FilePrompt&)> askPath;
};

class CTrafficMonitorDlg;

class COndrelDlg : public Dialog, public MainView {
 public:
  explicit COndrelDlg(MainDeps deps);
  ~COndrelDlg() override;
  MainModel& model() { return model_; }

  void RelabelWindow();
  void ConnectionCommand();
  void FindModuleCommand();
  void LanguageCommand();
  void HelpCommand();
  void AboutCommand();
  std::wstring HelpPath() const;
  void TrafficMonitorCommand();
  CTrafficMonitorDlg* trafficMonitor() const { return monitor_.get(); }
  void SaveParametersCommand();
  void LoadParametersCommand();
  // The window's keys as its message loop hands them over (the accelerators
  // Ctrl+T, Ctrl+S, Ctrl+O, and the monitor's own); true when one was taken.
  bool TranslateKey(MSG* msg);
  ImageSize buttonImageSize() const { return imageSize_; }

  // MainView
  void Pull(MainModel& model) override;
  void Push(const MainModel& model) override;
  void FocusField(Field field) override;
  void FocusAway() override;

  HWND field(Field f) const { return fields_[f]; }

 protected:
  DWORD Style() const override;
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  INT_PTR RunDialog(Dialog& dlg);
  std::string AskPath(const FilePrompt& prompt);
  void OnCommand(int id, int code, HWND control);
  void FitLabels();
  MainDeps deps_;
  MainModel model_;
  std::array<HWND, kFieldCount> fields_{};
  std::array<HWND, kFieldCount> labels_{};
  std::array<HWND, 4> groups_{}, buttons_{};
  HWND modeList_ = nullptr, baudList_ = nullptr, modeLabel_ = nullptr, baudLabel_ = nullptr, sink_ = nullptr;
  HICON bigIcon_ = nullptr, smallIcon_ = nullptr;
  ImageSize imageSize_{0, 0};
  struct LabelRow {
    HWND label, field;
    RECT labelRect, fieldRect;
  };
  std::vector<LabelRow> rows_;
  std::unique_ptr<CTrafficMonitorDlg> monitor_;  // made on first use, then only hidden and shown
  HACCEL keys_ = nullptr;
  HHOOK keyHook_ = nullptr;
  std::string parameterFolder_;  // of the last parameter file, for the next prompt
};

}  // namespace tolvane::win
