// The windows' fonts, at 10 points on the screen's scale.
#pragma once
#include <windows.h>

#include <string>

namespace tolvane::win {

// "宋体" at 10 points, else the first installed font of the fallback list of
// the current language. Made afresh after a language switch.
HFONT DialogFont();
void ResetDialogFont();
std::wstring DialogFontFace();

// A fixed-pitch font at the dialog font's size for lines whose columns must
// line up, with the CJK glyphs of the Chinese texts when that is the language.
// Made afresh after ResetDialogFont.
HFONT FixedFont();

}  // namespace tolvane::win
