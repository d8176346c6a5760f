#include "winui/wait_cursor.h"

namespace tolvane::win {

namespace {
bool g_wait = false;
}  // namespace

void SetWaitCursorState(bool on) { g_wait = on; }
bool WaitCursorOn() { return g_wait; }
bool SetCursorForWait() {
  if (!g_wait) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

}  // namespace tolvane::win
