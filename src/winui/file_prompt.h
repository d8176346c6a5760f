// The system's Save As and Open dialogs.
#pragma once
#include <windows.h>

#include <string>

namespace tolvane::win {

// What a file prompt asks for; texts and paths in UTF-8.
struct FilePrompt {
  bool save = true;
  std::string caption;
  std::string folder;             // where it opens; empty: where the system last was
  std::string name;               // the proposed file name
  std::string filter;             // a catalogue filter: "Text files (*.txt)"
  std::string extension;          // added by the dialog to a name without one
  bool confirmOverwrite = false;  // the system asks before a file is replaced
};
// The system's Save As or Open dialog; the chosen path, empty when cancelled.
std::string AskFilePath(HWND owner, const FilePrompt& prompt);

}  // namespace tolvane::win
