#include "winui/dialog.h"

#include <algorithm>

#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"
#include "winui/wait_cursor.h"

namespace tolvane::win {

HBRUSH WhiteBrush() {
  static HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}

HWND Child(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id,
           DWORD exStyle) {
  HWND hwnd = CreateWindowExW(exStyle, cls, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, Scale(x), Scale(y),
                              Scale(w), Scale(h), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  return hwnd;
}

INT_PTR WhiteColours(UINT msg, WPARAM wParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  switch (msg) {
    case WM_CTLCOLORSTATIC:  // labels, group captions, read-only and disabled fields
      SetBkMode(dc, TRANSPARENT);
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<INT_PTR>(WhiteBrush());
    default:
      return 0;
  }
}

Dialog::~Dialog() {
  if (hwnd_ && !modal_) DestroyWindow(hwnd_);
}

DWORD Dialog::Style() const { return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME; }

namespace {
// An empty template: the dialogs make their controls themselves, in pixels.
struct EmptyTemplate {
  DLGTEMPLATE head;
  WORD menu = 0, cls = 0, title = 0;
};
}  // namespace

INT_PTR Dialog::RunModal(HWND owner) {
  EmptyTemplate t{};
  t.head.style = Style();
  modal_ = true;
  ended_ = false;
  const INT_PTR r =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &t.head, owner, Proc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  return r;
}

HWND Dialog::Create(HWND owner) {
  EmptyTemplate t{};
  t.head.style = Style() & ~WS_VISIBLE;
  modal_ = false;
  ended_ = false;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &t.head, owner, Proc, reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (modal_)
    EndDialog(hwnd_, result);
  else
    ShowWindow(hwnd_, SW_HIDE);
}

void Dialog::SetClientSize(int w, int h) {
  RECT r{0, 0, Scale(w), Scale(h)};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int ww = r.right - r.left, wh = r.bottom - r.top;
  RECT area{};
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (owner)
    GetWindowRect(owner, &area);
  else
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const int x = std::max(0L, (area.left + area.right - ww) / 2), y = std::max(0L, (area.top + area.bottom - wh) / 2);
  SetWindowPos(hwnd_, nullptr, x, y, ww, wh, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    self->OnInit();
    return FALSE;  // the dialog has placed the focus itself
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (INT_PTR brush = WhiteColours(msg, wParam)) return brush;
  if (msg == WM_SETCURSOR && SetCursorForWait()) {
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  if (msg == WM_ERASEBKGND) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, WhiteBrush());
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  INT_PTR answer = 0;
  if (self->Handle(msg, wParam, lParam, &answer)) return answer;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return FALSE;
}

}  // namespace tolvane::win
