// The communication settings dialog on Win32: a view over ComSetModel. The
// Link and Auto Link workers touch no window; their outcome reaches the model
// through the dispatcher, on this dialog's thread.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "models/com_set_model.h"
#include "winui/dialog.h"

namespace tolvane::win {

inline constexpr int kIdComList = 3000;  // + ComList
inline constexpr int kIdAutoLink = 3100;
inline constexpr int kIdLink = 3101;
inline constexpr int kIdComOk = 3102;
inline constexpr int kIdComCancel = 3103;
inline constexpr int kIdStatus = 3200;
inline constexpr int kIdStationLabel = 3300;

class CComSetDlg : public Dialog {
 public:
  CComSetDlg(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts = nullptr);
  ~CComSetDlg() override;
  ComSetModel& model() { return model_; }
  HWND list(ComList l) const { return lists_[l]; }
  HWND button(int id) const { return GetDlgItem(hwnd_, id); }
  HWND statusLine() const { return status_; }
  HWND stationLabel() const { return stationLabel_; }

 protected:
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  void Refresh();
  void Relabel();
  ComSetModel model_;
  std::array<HWND, kListCount> lists_{};
  std::array<HWND, 6> comLabels_{};
  HWND stationLabel_ = nullptr, comGroup_ = nullptr, checkGroup_ = nullptr, status_ = nullptr;
};

}  // namespace tolvane::win
