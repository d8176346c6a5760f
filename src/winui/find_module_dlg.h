// The Find Module dialog on Win32: a view over FindModuleModel. The search's
// worker touches no window; its progress, finds and end reach the model through
// the dispatcher, on this dialog's thread.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "models/find_module_model.h"
#include "winui/dialog.h"

namespace tolvane::win {

inline constexpr int kIdFindPorts = 6000;
inline constexpr int kIdFindFrom = 6001;
inline constexpr int kIdFindTo = 6002;
inline constexpr int kIdFindLines = 6003;
inline constexpr int kIdFindAll = 6004;
inline constexpr int kIdFindSearch = 6005;
inline constexpr int kIdFindProgress = 6006;
inline constexpr int kIdFindFigures = 6007;
inline constexpr int kIdFindResults = 6008;
inline constexpr int kIdFindStatus = 6009;
inline constexpr int kIdFindUse = 6010;
inline constexpr int kIdFindClose = 6011;

class CFindModuleDlg : public Dialog {
 public:
  CFindModuleDlg(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts = nullptr);
  ~CFindModuleDlg() override;
  FindModuleModel& model() { return model_; }
  HWND item(int id) const { return GetDlgItem(hwnd_, id); }

 protected:
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  void Relabel();
  void Refresh();
  void OnCommand(int id, int code, HWND control);
  FindModuleModel model_;
  HWND portLabel_ = nullptr, fromLabel_ = nullptr, toLabel_ = nullptr, linesLabel_ = nullptr, resultsLabel_ = nullptr;
  HWND columns_[4] = {};
  bool refreshing_ = false;  // the controls' own notifications while Refresh sets them
};

}  // namespace tolvane::win
