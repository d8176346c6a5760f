#include "winui/file_prompt.h"

#include <commdlg.h>

#include "winui/text_conversion.h"

namespace tolvane::win {

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

}  // namespace tolvane::win
