// Texts between the program's UTF-8 and the system's UTF-16, and the window
// text of a control in UTF-8.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace tolvane::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view text);

std::string TextOf(HWND hwnd);
void SetText(HWND hwnd, const std::string& utf8);

}  // namespace tolvane::win
