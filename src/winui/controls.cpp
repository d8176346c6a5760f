#include "winui/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "winui/bitmaps.h"
#include "winui/dialog.h"
#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"

namespace tolvane::win {

namespace {

constexpr UINT_PTR kSubclassId = 1;

struct EditState {
  bool filter = false;
  HWND hint = nullptr;
};

struct ImageButtonState {
  HBITMAP normal = nullptr, hover = nullptr, grey = nullptr;
  int width = 0, height = 0;
  ImageAlign align = ImageAlign::Top;
  bool over = false;
  bool pressRefused = false;  // the press's check of the field left refused its entry
  void Free() {
    for (HBITMAP b : {normal, hover, grey})
      if (b) DeleteObject(b);
    normal = hover = grey = nullptr;
  }
};

struct FaceButtonState {
  COLORREF face = RGB(28, 115, 192);
};

struct FlatListState {
  int hover = 0;
};

struct AddressFieldState {
  HFONT font = nullptr;
};

// Each control keeps its state under a property named after its kind, so that
// the state of one kind is never taken for another's.
template <class State>
const wchar_t* PropName();
template <>
const wchar_t* PropName<EditState>() {
  return L"TolvaneDrawEdit";
}
template <>
const wchar_t* PropName<ImageButtonState>() {
  return L"TolvaneImageButton";
}
template <>
const wchar_t* PropName<FaceButtonState>() {
  return L"TolvaneFaceButton";
}
template <>
const wchar_t* PropName<FlatListState>() {
  return L"TolvaneFlatList";
}
template <>
const wchar_t* PropName<AddressFieldState>() {
  return L"TolvaneAddressField";
}

template <class State>
State* StateOf(HWND hwnd, SUBCLASSPROC) {
  return static_cast<State*>(GetPropW(hwnd, PropName<State>()));
}

template <class State>
void Attach(HWND hwnd, SUBCLASSPROC proc, State* state) {
  SetPropW(hwnd, PropName<State>(), state);
  SetWindowSubclass(hwnd, proc, kSubclassId, reinterpret_cast<DWORD_PTR>(state));
}

template <class State>
void Detach(HWND hwnd, SUBCLASSPROC proc) {
  RemovePropW(hwnd, PropName<State>());
  RemoveWindowSubclass(hwnd, proc, kSubclassId);
}

// Typed characters: the digits, the minus sign and backspace; every other one
// (the clipboard shortcuts' control characters too) is dropped.
bool Accepted(WPARAM ch) { return (ch >= '0' && ch <= '9') || ch == '-' || ch == VK_BACK; }

int TextLineHeight(HWND edit) {
  HDC dc = GetDC(edit);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  if (old) SelectObject(dc, old);
  ReleaseDC(edit, dc);
  return tm.tmHeight;
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<EditState*>(data);
  switch (msg) {
    case WM_CHAR:
      if (state->filter && !Accepted(wParam)) return 0;
      break;
    case WM_NCCALCSIZE: {
      // A one-pixel frame of our own around the client area; the control's own
      // border style would draw its line inside the client area.
      // A single-line edit draws its text at the top of its client area; the
      // client area keeps one text line, centred, so that the text stands on
      // the line of the label beside it.
      const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
      RECT* client = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
      InflateRect(client, -1, -1);
      const int spare = (client->bottom - client->top) - TextLineHeight(hwnd);
      if (spare > 1) {
        client->top += spare / 2;
        client->bottom -= spare - spare / 2;
      }
      return r;
    }
    case WM_SETFONT: {  // the line's height follows the font
      const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return r;
    }
    case WM_NCPAINT: {
      // White around the text line, one accent line along the outer edge
      // instead of the system's border.
      HDC dc = GetWindowDC(hwnd);
      RECT r, client;
      GetWindowRect(hwnd, &r);
      GetClientRect(hwnd, &client);
      MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
      OffsetRect(&client, -r.left, -r.top);
      OffsetRect(&r, -r.left, -r.top);
      ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
      FillRect(dc, &r, WhiteBrush());
      HBRUSH frame = CreateSolidBrush(kFrameColour);
      FrameRect(dc, &r, frame);
      DeleteObject(frame);
      ReleaseDC(hwnd, dc);
      return 0;
    }
    case WM_NCDESTROY:
      Detach<EditState>(hwnd, EditProc);
      delete state;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ImageButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<ImageButtonState*>(data);
  switch (msg) {
    case WM_LBUTTONDOWN: {
      // The press moves the focus here, which runs the check of the field
      // being left; a check that refused its entry took the focus back. The
      // press is then no click (BM_CLICK, as screen readers click, included),
      // so that no command runs on the refused value.
      const LRESULT r = DefSubclassProc(hwnd, msg, wParam, lParam);
      state->pressRefused = GetFocus() != hwnd;
      if (state->pressRefused) {
        if (GetCapture() == hwnd) ReleaseCapture();
        SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
      }
      return r;
    }
    case WM_LBUTTONUP:
      if (state->pressRefused) {
        state->pressRefused = false;
        return 0;
      }
      break;
    case WM_MOUSEMOVE: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const bool inside = PtInRect(&rc, p);
      if (inside != state->over) {
        state->over = inside;
        if (inside) {
          TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd, 0};
          TrackMouseEvent(&tme);
        }
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      break;
    }
    case WM_MOUSELEAVE:
      state->over = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      Detach<ImageButtonState>(hwnd, ImageButtonProc);
      state->Free();
      delete state;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FaceButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_NCDESTROY) {
    Detach<FaceButtonState>(hwnd, FaceButtonProc);
    delete reinterpret_cast<FaceButtonState*>(data);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

RECT DropButtonRect(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return {rc.right - 17, 1, rc.right - 1, rc.bottom - 1};
}

HBITMAP StripBitmap() {
  static HBITMAP strip = ToBitmap(DropStripArtwork(), RGB(240, 250, 255), RGB(240, 250, 255));
  return strip;
}

void PaintFlatList(HWND hwnd, HDC dc, const FlatListState& state) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  HBRUSH face = CreateSolidBrush(RGB(240, 250, 255)), frame = CreateSolidBrush(RGB(195, 215, 220));
  FillRect(dc, &rc, face);
  FrameRect(dc, &rc, frame);
  DeleteObject(face);
  DeleteObject(frame);
  const bool dropped = SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0) != 0;
  const int cell = DropButtonCell(IsWindowEnabled(hwnd) != FALSE, dropped, state.hover);
  const RECT drop = DropButtonRect(hwnd);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, StripBitmap());
  StretchBlt(dc, drop.left, drop.top, drop.right - drop.left, drop.bottom - drop.top, mem, cell * 16, 0, 16, 24,
             SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  const int sel = static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
  if (sel < 0) return;
  std::wstring text(static_cast<size_t>(SendMessageW(hwnd, CB_GETLBTEXTLEN, sel, 0)) + 1, L'\0');
  SendMessageW(hwnd, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  text = text.substr(0, static_cast<size_t>(ClosedTextLength(rc.right)));
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  TextOutW(dc, 4, ClosedTextTop(rc.bottom), text.c_str(), static_cast<int>(text.size()));
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK FlatListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<FlatListState*>(data);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintFlatList(hwnd, dc, *state);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_MOUSEMOVE: {
      TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, hwnd, 1};
      TrackMouseEvent(&tme);
      break;
    }
    case WM_MOUSEHOVER: {
      const RECT drop = DropButtonRect(hwnd);
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      state->hover = PtInRect(&drop, p) ? 1 : 2;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    }
    case WM_MOUSELEAVE:
      state->hover = 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      Detach<FlatListState>(hwnd, FlatListProc);
      delete state;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The address control's four boxes, left to right.
std::vector<HWND> AddressBoxes(HWND field) {
  std::vector<HWND> boxes;
  for (HWND box = GetWindow(field, GW_CHILD); box; box = GetWindow(box, GW_HWNDNEXT)) boxes.push_back(box);
  std::sort(boxes.begin(), boxes.end(), [field](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return boxes;
}

RECT RectIn(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The boxes keep their columns; each holds one text line in the middle of the
// field, as the framed fields do.
void PlaceAddressBoxes(HWND field) {
  RECT client;
  GetClientRect(field, &client);
  for (HWND box : AddressBoxes(field)) {
    const RECT r = RectIn(field, box);
    const int line = std::min(TextLineHeight(box), static_cast<int>(client.bottom) - 2);
    MoveWindow(box, r.left, (client.bottom - line) / 2, r.right - r.left, line, TRUE);
  }
}

void PaintAddressField(HWND hwnd, HDC dc, const AddressFieldState& state) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, IsWindowEnabled(hwnd) ? WhiteBrush() : GetSysColorBrush(COLOR_3DFACE));
  HBRUSH frame = CreateSolidBrush(kFrameColour);
  FrameRect(dc, &rc, frame);
  DeleteObject(frame);
  // The dots between the boxes, on their text line.
  HGDIOBJ old = state.font ? SelectObject(dc, state.font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  const std::vector<HWND> boxes = AddressBoxes(hwnd);
  for (size_t i = 0; i + 1 < boxes.size(); ++i) {
    const RECT left = RectIn(hwnd, boxes[i]), right = RectIn(hwnd, boxes[i + 1]);
    RECT gap{left.right, left.top, right.left, left.bottom};
    DrawTextW(dc, L".", 1, &gap, DT_SINGLELINE | DT_CENTER | DT_TOP | DT_NOPREFIX);
  }
  if (old) SelectObject(dc, old);
}

LRESULT CALLBACK AddressFieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<AddressFieldState*>(data);
  switch (msg) {
    case WM_SETFONT: {
      // The system's control keeps a smaller font of its own in its boxes.
      DefSubclassProc(hwnd, msg, wParam, lParam);
      state->font = reinterpret_cast<HFONT>(wParam);
      for (HWND box : AddressBoxes(hwnd)) SendMessageW(box, WM_SETFONT, wParam, lParam);
      PlaceAddressBoxes(hwnd);
      if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->font);
    case WM_ERASEBKGND:
      return TRUE;  // painted whole below
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintAddressField(hwnd, dc, *state);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      Detach<AddressFieldState>(hwnd, AddressFieldProc);
      delete state;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND CreateDrawEdit(HWND parent, int id, DWORD style, int x, int y, int w, int h, bool filterTyping) {
  HWND edit = Child(parent, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | style, x, y, w, h, id);
  auto* state = new EditState{filterTyping, nullptr};
  Attach(edit, EditProc, state);
  SetWindowPos(edit, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  return edit;
}

void SetEditHint(HWND edit, const wchar_t* text) {
  if (!text) return;
  auto* state = StateOf<EditState>(edit, EditProc);
  if (!state) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.hwnd = edit;
  ti.uId = 1;
  ti.lpszText = const_cast<wchar_t*>(text);
  if (!state->hint) {
    state->hint =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, edit, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(state->hint, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    SendMessageW(state->hint, TTM_SETMAXTIPWIDTH, 0, 400);
    SendMessageW(state->hint, TTM_ACTIVATE, TRUE, 0);
    // The hint object follows every message of the field (TTF_SUBCLASS) and
    // covers its client area.
    ti.uFlags = TTF_SUBCLASS;
    GetClientRect(edit, &ti.rect);
    SendMessageW(state->hint, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return;
  }
  SendMessageW(state->hint, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

HWND EditHintWindow(HWND edit) {
  auto* state = StateOf<EditState>(edit, EditProc);
  return state ? state->hint : nullptr;
}

HWND CreateAddressField(HWND parent, int id, int x, int y, int w, int h) {
  HWND field = Child(parent, WC_IPADDRESSW, "", WS_TABSTOP, x, y, w, h, id);
  // The frame is painted in the client area: no system border around it.
  SetWindowLongPtrW(field, GWL_STYLE, GetWindowLongPtrW(field, GWL_STYLE) & ~WS_BORDER);
  SetWindowLongPtrW(field, GWL_EXSTYLE, GetWindowLongPtrW(field, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  SetWindowPos(field, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  Attach(field, AddressFieldProc, new AddressFieldState);
  SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  return field;
}

HWND CreateImageButton(HWND parent, int id, int x, int y, int w, int h) {
  HWND button = Child(parent, WC_BUTTONW, "", WS_TABSTOP | BS_OWNERDRAW, x, y, w, h, id);
  Attach(button, ImageButtonProc, new ImageButtonState);
  return button;
}

void SetButtonImages(HWND button, const Artwork& hover, const Artwork& normal, ImageAlign align) {
  auto* state = StateOf<ImageButtonState>(button, ImageButtonProc);
  if (!state) return;
  state->Free();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  state->hover = ToBitmap(hover, face, kMaskColour);
  state->normal = ToBitmap(normal, face, kMaskColour);
  state->grey = ToGreyBitmap(normal, face, kMaskColour);
  state->width = normal.width;
  state->height = normal.height;
  state->align = align;
  InvalidateRect(button, nullptr, TRUE);
}

bool ButtonPointerOver(HWND button) {
  auto* state = StateOf<ImageButtonState>(button, ImageButtonProc);
  return state && state->over;
}

bool DrawImageButton(const DRAWITEMSTRUCT* item) {
  auto* state = StateOf<ImageButtonState>(item->hwndItem, ImageButtonProc);
  if (!state || item->CtlType != ODT_BUTTON) return false;
  HDC dc = item->hDC;
  RECT rc = item->rcItem;
  const bool pressed = item->itemState & ODS_SELECTED, disabled = item->itemState & ODS_DISABLED;
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  if (pressed)
    DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
  else if (state->over)
    DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
  HBITMAP image = disabled ? state->grey : state->over ? state->hover : state->normal;
  if (!image) return true;
  const Point at = ButtonImagePosition(rc.right - rc.left, rc.bottom - rc.top, state->width, state->height, 0, 0,
                                       state->align, pressed);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, image);
  TransparentBlt(dc, rc.left + at.x, rc.top + at.y, state->width, state->height, mem, 0, 0, state->width, state->height,
                 kMaskColour);
  SelectObject(mem, old);
  DeleteDC(mem);
  return true;  // a flat button draws no focus rectangle
}

HWND CreateFaceButton(HWND parent, int id, int x, int y, int w, int h) {
  HWND button = Child(parent, WC_BUTTONW, "", WS_TABSTOP | BS_OWNERDRAW, x, y, w, h, id);
  Attach(button, FaceButtonProc, new FaceButtonState);
  return button;
}

void SetButtonFace(HWND button, COLORREF face) {
  auto* state = StateOf<FaceButtonState>(button, FaceButtonProc);
  if (!state || state->face == face) return;
  state->face = face;
  InvalidateRect(button, nullptr, FALSE);
}

bool DrawFaceButton(const DRAWITEMSTRUCT* item) {
  auto* state = StateOf<FaceButtonState>(item->hwndItem, FaceButtonProc);
  if (!state) return false;
  HDC dc = item->hDC;
  RECT rc = item->rcItem;
  HBRUSH face = CreateSolidBrush(state->face);
  FillRect(dc, &rc, face);
  DeleteObject(face);
  HBRUSH edge = CreateSolidBrush(RGB(13, 63, 115));
  FrameRect(dc, &rc, edge);
  DeleteObject(edge);
  if (item->itemState & ODS_SELECTED) OffsetRect(&rc, 1, 1);
  const std::wstring text = Wide(TextOf(item->hwndItem));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item->hwndItem, WM_GETFONT, 0, 0)));
  DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  return true;
}

HWND CreateFlatList(HWND parent, int id, int x, int y, int w, int h) {
  HWND list =
      Child(parent, WC_COMBOBOXW, "",
            WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS, x, y, w, h, id);
  Attach(list, FlatListProc, new FlatListState);
  return list;
}

int FlatListDropState(HWND list) {
  auto* state = StateOf<FlatListState>(list, FlatListProc);
  if (!state) return 0;
  if (SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0)) return 2;
  return state->hover;
}

bool MeasureFlatListItem(HWND parent, MEASUREITEMSTRUCT* item) {
  if (item->CtlType != ODT_COMBOBOX) return false;
  HWND list = GetDlgItem(parent, static_cast<int>(item->CtlID));
  if (item->itemID == static_cast<UINT>(-1) || !list) {
    item->itemHeight = static_cast<UINT>(Scale(18));  // the closed field
    return true;
  }
  std::wstring text(static_cast<size_t>(SendMessageW(list, CB_GETLBTEXTLEN, item->itemID, 0)) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text.data()));
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(wcslen(text.c_str())), &size);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  RECT rc;
  GetClientRect(list, &rc);
  item->itemHeight = static_cast<UINT>(ListItemHeight(size.cx, rc.right));
  return true;
}

bool DrawFlatListItem(const DRAWITEMSTRUCT* item) {
  if (item->CtlType != ODT_COMBOBOX || !StateOf<FlatListState>(item->hwndItem, FlatListProc)) return false;
  if (item->itemState & ODS_COMBOBOXEDIT) return true;  // the closed control paints itself
  HDC dc = item->hDC;
  RECT rc = item->rcItem;
  const bool selected = item->itemState & ODS_SELECTED;
  HBRUSH fill = CreateSolidBrush(selected ? kFrameColour : RGB(255, 255, 255));
  FillRect(dc, &rc, fill);
  DeleteObject(fill);
  if (item->itemID == static_cast<UINT>(-1)) return true;
  std::wstring text(static_cast<size_t>(SendMessageW(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0)) + 1, L'\0');
  SendMessageW(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text.data()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? RGB(255, 255, 255) : GetSysColor(COLOR_WINDOWTEXT));
  InflateRect(&rc, -2, 0);
  DrawTextW(dc, text.c_str(), -1, &rc, DT_WORDBREAK);
  return true;
}

}  // namespace tolvane::win
