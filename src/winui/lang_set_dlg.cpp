#include "winui/lang_set_dlg.h"

#include <commctrl.h>

#include "winui/controls.h"
#include "winui/text_conversion.h"

namespace tolvane::win {

void CLangSetDlg::OnInit() {
  model_.Open();
  SetText(hwnd_, model_.title);
  list_ = CreateFlatList(hwnd_, kIdLangList, 30, 24, 200, 120);
  ok_ = Child(hwnd_, WC_BUTTONW, model_.okCaption, WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 72, 100, 28, kIdLangOk);
  for (const wchar_t* name : {L"Chinese", L"English"})
    SendMessageW(list_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageW(list_, CB_SETCURSEL, model_.selection, 0);
  SetClientSize(260, 120);
  SetFocus(list_);
}

// The list shows its choice afresh whenever the focus leaves it for OK.
void CLangSetDlg::LeaveList() {
  InvalidateRect(list_, nullptr, TRUE);
  SetFocus(ok_);
}

bool CLangSetDlg::Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      *answer = TRUE;
      if (id == kIdLangList) {
        if (code == CBN_SELCHANGE) model_.selection = static_cast<int>(SendMessageW(list_, CB_GETCURSEL, 0, 0));
        if (code == CBN_SELCHANGE || code == CBN_CLOSEUP) LeaveList();
        return true;
      }
      if (id == IDOK) {
        model_.Ok();
        End(IDOK);
      } else if (id == IDCANCEL) {  // Escape and the frame change nothing
        End(IDCANCEL);
      }
      return true;
    }
    case WM_CLOSE:
      End(IDCANCEL);
      *answer = TRUE;
      return true;
    case WM_LBUTTONUP:
      LeaveList();
      return false;
    case WM_MEASUREITEM:
      *answer = MeasureFlatListItem(hwnd_, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return *answer != 0;
    case WM_DRAWITEM:
      *answer = DrawFlatListItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return *answer != 0;
    default:
      return false;
  }
}

}  // namespace tolvane::win
