#include "winui/fonts.h"

#include <vector>

#include "core/language.h"
#include "winui/screen_scale.h"

namespace tolvane::win {

namespace {
HFONT g_font = nullptr, g_fixed = nullptr;
std::wstring g_face;

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

}  // namespace tolvane::win
