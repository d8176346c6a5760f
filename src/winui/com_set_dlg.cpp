#include "winui/com_set_dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "core/language.h"
#include "platform/port_list.h"
#include "winui/controls.h"
#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"

namespace tolvane::win {

namespace {
COLORREF ToColorref(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }
}  // namespace

CComSetDlg::CComSetDlg(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : model_(
          ui, listPorts ? std::move(listPorts) : [] { return ListSerialPorts(); }) {}

CComSetDlg::~CComSetDlg() {
  model_.onChanged = nullptr;
  model_.onClose = nullptr;
}

void CComSetDlg::OnInit() {
  // The status line takes the longest status of the language in one line; the
  // dialog widens with it where the usual width is too narrow.
  HDC dc = GetDC(hwnd_);
  HGDIOBJ oldFont = SelectObject(dc, DialogFont());
  int statusWidth = 432;
  for (const TextPair& text : StatusTexts()) {
    const std::wstring w = Wide(Pick(text));
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    statusWidth = std::max(statusWidth, MulDiv(size.cx, 96, LogicalDpiY()) + 24);
  }
  SelectObject(dc, oldFont);
  ReleaseDC(hwnd_, dc);
  const int width = statusWidth + 44, groupWidth = width - 24, column = (groupWidth - 4) / 2;

  stationLabel_ = Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_CENTERIMAGE, 20, 16, 120, 24, kIdStationLabel);
  lists_[kListStation] =
      Child(hwnd_, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 150, 16, 100, 300, kIdComList);
  comGroup_ = Child(hwnd_, WC_BUTTONW, "", BS_GROUPBOX | WS_CLIPSIBLINGS, 12, 50, groupWidth, 120);
  for (int i = 0; i < 6; ++i) {
    const int col = i % 2, row = i / 2, x = 12 + col * column, y = 50 + 22 + row * 32;
    comLabels_[i] = Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_CENTERIMAGE, x + 10, y, 86, 24);
    const ComList l = LineSettingPlaces()[i].list;
    lists_[l] = Child(hwnd_, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, x + 96, y, column - 104, 200,
                      kIdComList + l);
  }
  checkGroup_ = Child(hwnd_, WC_BUTTONW, "", BS_GROUPBOX | WS_CLIPSIBLINGS, 12, 178, groupWidth, 96);
  CreateFaceButton(hwnd_, kIdAutoLink, 52, 200, 120, 28);
  CreateFaceButton(hwnd_, kIdLink, 12 + groupWidth - 160, 200, 120, 28);
  status_ = CreateDrawEdit(hwnd_, kIdStatus, ES_READONLY | ES_CENTER, 22, 238, statusWidth, 26, false);
  EnableWindow(status_, FALSE);
  CreateFaceButton(hwnd_, kIdComOk, width / 2 - 120, 288, 100, 28);
  CreateFaceButton(hwnd_, kIdComCancel, width / 2 + 20, 288, 100, 28);
  for (HWND g : {comGroup_, checkGroup_}) SetWindowPos(g, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetClientSize(width, 330);

  model_.SetWindow(ToWindowId(hwnd_));
  model_.onChanged = [this] { Refresh(); };
  model_.onClose = [this](bool ok) { End(ok ? IDOK : IDCANCEL); };
  Relabel();
  model_.Open();
  Refresh();
  SetFocus(stationLabel_);  // no list keeps a focus frame
}

void CComSetDlg::Relabel() {
  SetText(hwnd_, Pick(txt::kComDlgTitle));
  SetText(stationLabel_, Pick(txt::kStationLabel));
  SetText(comGroup_, Pick(txt::kComGroup));
  SetText(checkGroup_, Pick(txt::kCheckGroup));
  for (int i = 0; i < 6; ++i) SetText(comLabels_[i], Pick(*LineSettingPlaces()[i].label));
}

void CComSetDlg::Refresh() {
  for (int l = 0; l < kListCount; ++l) {
    HWND box = lists_[l];
    const ListState& s = model_.lists[l];
    bool same = SendMessageW(box, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(s.items.size());
    for (size_t i = 0; same && i < s.items.size(); ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(box, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      same = Utf8(text.c_str()) == s.items[i];
    }
    if (!same) {
      SendMessageW(box, CB_RESETCONTENT, 0, 0);
      for (const std::string& item : s.items) SendMessageW(box, CB_ADDSTRING, 0, (LPARAM)Wide(item).c_str());
    }
    if (SendMessageW(box, CB_GETCURSEL, 0, 0) != s.selection) SendMessageW(box, CB_SETCURSEL, s.selection, 0);
    EnableWindow(box, model_.listsEnabled);
  }
  // While a worker runs only the Auto Link button in its Stop role acts.
  const bool running = model_.WorkerRunning();
  const std::pair<int, const ButtonLook*> buttons[] = {
      {kIdAutoLink, &model_.autoLink}, {kIdLink, &model_.link}, {kIdComOk, &model_.ok}, {kIdComCancel, &model_.cancel}};
  for (auto [id, look] : buttons) {
    HWND b = GetDlgItem(hwnd_, id);
    const bool enabled = id == kIdAutoLink ? model_.state() != ComSetState::kConnecting : !running;
    if (!enabled && GetFocus() == b) SetFocus(stationLabel_);
    EnableWindow(b, enabled);
    if (TextOf(b) != look->caption) SetText(b, look->caption);
    SetButtonFace(b, ToColorref(look->face));
    InvalidateRect(b, nullptr, FALSE);
  }
  if (TextOf(status_) != model_.status) SetText(status_, model_.status);
}

bool CComSetDlg::Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      *answer = TRUE;
      if (id >= kIdComList && id < kIdComList + kListCount) {
        if (code == CBN_SELCHANGE) {
          model_.Select(static_cast<ComList>(id - kIdComList),
                        static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0)));
          SetFocus(stationLabel_);
        } else if (code == CBN_CLOSEUP) {
          InvalidateRect(reinterpret_cast<HWND>(lParam), nullptr, TRUE);
          SetFocus(stationLabel_);
        }
        return true;
      }
      if (code != BN_CLICKED) return true;
      switch (id) {
        // A click that started a worker leaves the dialog in its running look.
        case kIdAutoLink:
          model_.AutoLinkClick();
          Refresh();
          break;
        case kIdLink:
          model_.LinkClick();
          Refresh();
          break;
        case kIdComOk:
        case IDOK:  // Enter
          model_.OkClick();
          break;
        case kIdComCancel:
        case IDCANCEL:  // Escape
          model_.CancelClick();
          break;
        default:
          break;
      }
      return true;
    }
    case WM_CLOSE:  // as Cancel; nothing while a worker runs
      model_.CancelClick();
      *answer = TRUE;
      return true;
    case WM_LBUTTONUP:
      SetFocus(stationLabel_);
      return false;
    case WM_DRAWITEM:
      *answer = DrawFaceButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return *answer != 0;
    default:
      return false;
  }
}

}  // namespace tolvane::win
