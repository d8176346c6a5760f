#include "winui/about_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "core/language.h"
#include "tolvane_version.h"
#include "winui/bitmaps.h"
#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"

namespace tolvane::win {

CAboutDlg::~CAboutDlg() {
  if (logo_) DeleteObject(logo_);
}

void CAboutDlg::OnInit() {
  SetText(hwnd_, Pick(txt::kAboutTitle));
  logo_ = ToBitmap(LogoArtwork(), RGB(255, 255, 255), RGB(255, 255, 255));
  HWND logo = Child(hwnd_, WC_STATICW, "", SS_BITMAP, 14, 14, 48, 26, kIdAboutLogo);
  SendMessageW(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_));
  const std::string lines[4] = {std::string(txt::kAboutVersionLead) + kVersionShown, Pick(txt::kAboutLegal1),
                                Pick(txt::kAboutLegal2), Pick(txt::kAboutCompany)};
  // The lines are as wide as the longest of them, so that no notice is cut off.
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  int lineWidth = 350;
  for (const std::string& line : lines) {
    const std::wstring w = Wide(line);
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    lineWidth = std::max(lineWidth, MulDiv(size.cx, 96, LogicalDpiY()) + 8);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  for (int i = 0; i < 4; ++i)
    Child(hwnd_, WC_STATICW, lines[i], SS_LEFT | SS_NOPREFIX, 76, 14 + i * 24, lineWidth, 22, kIdAboutLine + i);
  const int width = 76 + lineWidth + 14;
  HWND ok = Child(hwnd_, WC_BUTTONW, Pick(txt::kOk), WS_TABSTOP | BS_DEFPUSHBUTTON, width / 2 - 50, 126, 100, 28, IDOK);
  SetClientSize(width, 170);
  SetFocus(ok);
}

bool CAboutDlg::Handle(UINT msg, WPARAM wParam, LPARAM, INT_PTR* answer) {
  if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    End(LOWORD(wParam));
    *answer = TRUE;
    return true;
  }
  if (msg == WM_CLOSE) {
    End(IDCANCEL);
    *answer = TRUE;
    return true;
  }
  return false;
}

}  // namespace tolvane::win
