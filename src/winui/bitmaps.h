// Pictures as the system draws them: 32-bit bitmaps and icons.
#pragma once
#include <windows.h>

#include "core/artwork.h"

namespace tolvane::win {

// A picture as a 32-bit bitmap: transparent pixels become keyColour, the others
// are laid over background. The caller deletes it.
HBITMAP ToBitmap(const Artwork& art, COLORREF background, COLORREF keyColour);
// The same in grey (a disabled button's image); the key colour stays.
HBITMAP ToGreyBitmap(const Artwork& art, COLORREF background, COLORREF keyColour);
HICON ToIcon(const Artwork& art);

}  // namespace tolvane::win
