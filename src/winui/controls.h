// The custom-drawn controls on the system's own: a subclassed EDIT with its
// frame, hint and character filter; an owner-drawn flat image BUTTON; an
// owner-drawn drop-down list with its image drop button; and a flat coloured
// push button for the settings dialog.
#pragma once
#include <windows.h>

#include <string>

#include "core/artwork.h"
#include "models/control_rules.h"

namespace tolvane::win {

inline constexpr COLORREF kFrameColour = RGB(68, 114, 210);
inline constexpr COLORREF kMaskColour = RGB(0, 255, 0);

// CDrawEdit: one-pixel accent frame, white through the parent's colour answer.
// filterTyping lets only '0'-'9', '-' and backspace through.
HWND CreateDrawEdit(HWND parent, int id, DWORD style, int x, int y, int w, int h, bool filterTyping);
// Sets or replaces the hover hint; a null text is ignored.
void SetEditHint(HWND edit, const wchar_t* text);
HWND EditHintWindow(HWND edit);  // the hint object, once made

// The system's IPv4 address control with the look of the framed fields: the
// same accent frame, white, and the font it is given in its four boxes.
HWND CreateAddressField(HWND parent, int id, int x, int y, int w, int h);

// CButtonST: BS_OWNERDRAW; the parent passes WM_DRAWITEM on to DrawImageButton.
HWND CreateImageButton(HWND parent, int id, int x, int y, int w, int h);
void SetButtonImages(HWND button, const Artwork& hover, const Artwork& normal, ImageAlign align);
bool DrawImageButton(const DRAWITEMSTRUCT* item);
bool ButtonPointerOver(HWND button);

// A flat push button with a face colour and white caption (BS_OWNERDRAW).
HWND CreateFaceButton(HWND parent, int id, int x, int y, int w, int h);
void SetButtonFace(HWND button, COLORREF face);
bool DrawFaceButton(const DRAWITEMSTRUCT* item);

// CWEComboBox: CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; the parent passes
// WM_MEASUREITEM and WM_DRAWITEM on.
HWND CreateFlatList(HWND parent, int id, int x, int y, int w, int h);
bool MeasureFlatListItem(HWND parent, MEASUREITEMSTRUCT* item);
bool DrawFlatListItem(const DRAWITEMSTRUCT* item);
int FlatListDropState(HWND list);  // 0 normal, 1 pointer over the drop button, 2 pressed

}  // namespace tolvane::win
