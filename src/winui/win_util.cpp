#include "winui/win_util.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "core/language.h"

namespace tolvane::win {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

namespace {
int g_dpi = 0;
HFONT g_font = nullptr, g_fixed = nullptr;
std::wstring g_face;
bool g_wait = false;

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FontInstalled(const wchar_t* face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExW(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found;
}
}  // namespace

int LogicalDpiY() {
  if (g_dpi <= 0) {
    HDC dc = GetDC(nullptr);
    g_dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (g_dpi <= 0) g_dpi = 96;
  }
  return g_dpi;
}

void SetLogicalDpiYForTest(int dpi) { g_dpi = dpi; }

int Scale(int v) { return MulDiv(v, LogicalDpiY(), 96); }

// The same fallbacks as the Linux window: a CJK font for the Chinese interface,
// the system's dialog font for the English one.
std::wstring DialogFontFace() {
  if (g_face.empty()) {
    std::vector<const wchar_t*> faces{L"宋体", L"SimSun"};
    if (IsChinese())
      faces.insert(faces.end(), {L"WenQuanYi Micro Hei", L"Noto Sans CJK SC", L"Microsoft YaHei", L"Tahoma"});
    else
      faces.insert(faces.end(), {L"Tahoma", L"MS Shell Dlg 2", L"Segoe UI"});
    g_face = faces.back();
    for (const wchar_t* face : faces) {
      if (FontInstalled(face)) {
        g_face = face;
        break;
      }
    }
  }
  return g_face;
}

HFONT DialogFont() {
  if (!g_font) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(10, LogicalDpiY(), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, DialogFontFace().c_str(), LF_FACESIZE);
    g_font = CreateFontIndirectW(&lf);
  }
  return g_font;
}

HFONT FixedFont() {
  if (!g_fixed) {
    // Each list's Latin glyphs are of one width; the Chinese ones bring CJK glyphs too.
    std::vector<const wchar_t*> faces;
    if (IsChinese())
      faces = {L"NSimSun", L"新宋体", L"WenQuanYi Micro Hei Mono", L"Noto Sans Mono CJK SC", L"Consolas"};
    else
      faces = {L"Consolas", L"Courier New", L"DejaVu Sans Mono", L"WenQuanYi Micro Hei Mono"};
    const wchar_t* chosen = nullptr;
    for (const wchar_t* face : faces) {
      if (FontInstalled(face)) {
        chosen = face;
        break;
      }
    }
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(10, LogicalDpiY(), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;  // the system's own choice when none is installed
    if (chosen) lstrcpynW(lf.lfFaceName, chosen, LF_FACESIZE);
    g_fixed = CreateFontIndirectW(&lf);
  }
  return g_fixed;
}

// The old fonts stay alive: windows still hold them until they are given the new ones.
void ResetDialogFont() {
  g_font = nullptr;
  g_fixed = nullptr;
  g_face.clear();
}

std::string AskFilePath(HWND owner, const FilePrompt& prompt) {
  // "Text files (*.txt)" becomes the system's pair "Text files (*.txt)\0*.txt\0".
  std::wstring filter = Wide(prompt.filter);
  const size_t open = filter.rfind(L'('), close = filter.rfind(L')');
  const std::wstring pattern =
      open != std::wstring::npos && close > open ? filter.substr(open + 1, close - open - 1) : std::wstring(L"*.*");
  filter += L'\0';
  filter += pattern;
  filter += L'\0';
  filter += L'\0';
  std::wstring file = Wide(prompt.name);
  file.resize(32768, L'\0');  // room for a long path
  const std::wstring caption = Wide(prompt.caption), folder = Wide(prompt.folder), extension = Wide(prompt.extension);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = caption.c_str();
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
              (prompt.save ? (prompt.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST);
  const BOOL chosen = prompt.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return {};
  return Utf8(file.c_str());
}

HBRUSH WhiteBrush() {
  static HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}

namespace {
HBITMAP MakeBitmap(const Artwork& art, COLORREF bg, COLORREF key, bool grey) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = art.width;
  bi.bmiHeader.biHeight = -art.height;  // top-down, as the pixels are
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return nullptr;
  auto* out = static_cast<uint32_t*>(bits);
  const int br = GetRValue(bg), bgG = GetGValue(bg), bb = GetBValue(bg);
  for (size_t i = 0; i < art.pixels.size(); ++i) {
    const uint32_t p = art.pixels[i];
    const int a = static_cast<int>(p >> 24);
    if (a == 0) {
      out[i] = (static_cast<uint32_t>(GetRValue(key)) << 16) | (GetGValue(key) << 8) | GetBValue(key);
      continue;
    }
    int r = (((p >> 16) & 0xFF) * a + br * (255 - a)) / 255;
    int g = (((p >> 8) & 0xFF) * a + bgG * (255 - a)) / 255;
    int b = ((p & 0xFF) * a + bb * (255 - a)) / 255;
    if (grey) {
      // Light grey by brightness, as a disabled picture looks.
      const int luma = (r * 30 + g * 59 + b * 11) / 100;
      r = g = b = 128 + luma / 2;
    }
    out[i] = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
  }
  return bmp;
}
}  // namespace

HBITMAP ToBitmap(const Artwork& art, COLORREF bg, COLORREF key) { return MakeBitmap(art, bg, key, false); }
HBITMAP ToGreyBitmap(const Artwork& art, COLORREF bg, COLORREF key) { return MakeBitmap(art, bg, key, true); }

HICON ToIcon(const Artwork& art) {
  BITMAPV5HEADER bi{};
  bi.bV5Size = sizeof(bi);
  bi.bV5Width = art.width;
  bi.bV5Height = -art.height;
  bi.bV5Planes = 1;
  bi.bV5BitCount = 32;
  bi.bV5Compression = BI_BITFIELDS;
  bi.bV5RedMask = 0x00FF0000;
  bi.bV5GreenMask = 0x0000FF00;
  bi.bV5BlueMask = 0x000000FF;
  bi.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC dc = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, dc);
  if (!colour) return nullptr;
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < art.pixels.size(); ++i) {  // premultiplied, as icons with alpha are drawn
    const uint32_t p = art.pixels[i], a = p >> 24;
    out[i] = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) | ((((p >> 8) & 0xFF) * a / 255) << 8) |
             ((p & 0xFF) * a / 255);
  }
  HBITMAP mask = CreateBitmap(art.width, art.height, 1, 1, nullptr);
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = colour;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

std::string TextOf(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(std::max(0, n)));
  return Utf8(text);
}

void SetText(HWND hwnd, const std::string& utf8) { SetWindowTextW(hwnd, Wide(utf8).c_str()); }

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

void SetWaitCursorState(bool on) { g_wait = on; }
bool WaitCursorOn() { return g_wait; }
bool SetCursorForWait() {
  if (!g_wait) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

}  // namespace tolvane::win
