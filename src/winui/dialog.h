// What every window of the program is built from: the dialog frame, its child
// controls in the dialog font, and the white of its background.
#pragma once
#include <windows.h>

#include <string>

#include "core/message_rule.h"

namespace tolvane::win {

inline HWND ToHwnd(WindowId id) { return static_cast<HWND>(const_cast<void*>(id)); }
inline WindowId ToWindowId(HWND hwnd) { return hwnd; }

HBRUSH WhiteBrush();

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

}  // namespace tolvane::win
