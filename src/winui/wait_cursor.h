// The wait cursor of a device command; the windows show it while it is on.
#pragma once
#include <windows.h>

namespace tolvane::win {

void SetWaitCursorState(bool on);
bool WaitCursorOn();
bool SetCursorForWait();  // in WM_SETCURSOR: true when it set the wait cursor

}  // namespace tolvane::win
