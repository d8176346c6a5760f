// The language dialog on Win32: a view over LangSetModel.
#pragma once
#include <windows.h>

#include <functional>

#include "models/lang_set_model.h"
#include "winui/dialog.h"

namespace tolvane::win {

inline constexpr int kIdLangList = 4000;
inline constexpr int kIdLangOk = IDOK;

class CLangSetDlg : public Dialog {
 public:
  explicit CLangSetDlg(std::function<void(int)> writeLanguage) : model_(std::move(writeLanguage)) {}
  LangSetModel& model() { return model_; }
  HWND list() const { return list_; }

 protected:
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  void LeaveList();
  LangSetModel model_;
  HWND list_ = nullptr, ok_ = nullptr;
};

}  // namespace tolvane::win
