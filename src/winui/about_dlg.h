// The About dialog on Win32.
#pragma once
#include <windows.h>

#include "winui/dialog.h"

namespace tolvane::win {

inline constexpr int kIdAboutLogo = 5000;
inline constexpr int kIdAboutLine = 5001;  // + 0..3

class CAboutDlg : public Dialog {
 public:
  ~CAboutDlg() override;

 protected:
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  HBITMAP logo_ = nullptr;
};

}  // namespace tolvane::win
