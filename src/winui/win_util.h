// What every Win32 window of the program shares: text conversion, the
// screen's scale, the dialog font, the white brush, pictures as bitmaps and
// the modal dialog frame.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "core/artwork.h"
#include "core/message_rule.h"

namespace tolvane::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view text);

inline HWND ToHwnd(WindowId id) { return static_cast<HWND>(const_cast<void*>(id)); }
inline WindowId ToWindowId(HWND hwnd) { return hwnd; }

// The screen's vertical logical pixels per inch, read once; geometry is laid
// out for 96 and scaled by it.
int LogicalDpiY();
void SetLogicalDpiYForTest(int dpi);
int Scale(int v);

// "宋体" at 10 points, else the first installed font of the fallback list of
// the current language. Made afresh after a language switch.
HFONT DialogFont();
void ResetDialogFont();
std::wstring DialogFontFace();

// A fixed-pitch font at the dialog font's size for lines whose columns must
// line up, with the CJK glyphs of the Chinese texts when that is the language.
// Made afresh after ResetDialogFont.
HFONT FixedFont();

HBRUSH WhiteBrush();

// A picture as a 32-bit bitmap: transparent pixels become keyColour, the others
// are laid over background. The caller deletes it.
HBITMAP ToBitmap(const Artwork& art, COLORREF background, COLORREF keyColour);
// The same in grey (a disabled button's image); the key colour stays.
HBITMAP ToGreyBitmap(const Artwork& art, COLORREF background, COLORREF keyColour);
HICON ToIcon(const Artwork& art);

// Window text of a control.
std::string TextOf(HWND hwnd);
void SetText(HWND hwnd, const std::string& utf8);

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

// A child control in pixels at 96 DPI (scaled here), in the dialog font.
HWND Child(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
           int id = 0, DWORD exStyle = 0);

// Answers the colour requests of a white window: labels and group captions
// transparent, fields white. Returns the brush, or nullptr for other messages.
INT_PTR WhiteColours(UINT msg, WPARAM wParam);

// A dialog built in code on an empty template: modal (RunModal) as the program
// shows it, or modeless (Create) so that a test can drive it by messages.
class Dialog {
 public:
  virtual ~Dialog();
  INT_PTR RunModal(HWND owner);
  HWND Create(HWND owner);
  HWND hwnd() const { return hwnd_; }
  // Ends the modal run with result; a modeless dialog is destroyed.
  void End(INT_PTR result);
  INT_PTR result() const { return result_; }
  bool ended() const { return ended_; }

 protected:
  virtual DWORD Style() const;
  virtual void OnInit() = 0;
  // Returns true when handled; *answer is the dialog procedure's answer.
  virtual bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) = 0;
  // The client area in pixels at 96 DPI, scaled here; centred on the owner.
  void SetClientSize(int w, int h);
  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool modal_ = false;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

// The wait cursor of a device command; the windows show it while it is on.
void SetWaitCursorState(bool on);
bool WaitCursorOn();
bool SetCursorForWait();  // in WM_SETCURSOR: true when it set the wait cursor

}  // namespace tolvane::win
