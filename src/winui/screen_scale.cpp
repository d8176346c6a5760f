#include "winui/screen_scale.h"

namespace tolvane::win {

namespace {
int g_dpi = 0;
}  // namespace

int LogicalDpiY() {
  if (g_dpi <= 0) {
    HDC dc = GetDC(nullptr);
    g_dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (g_dpi <= 0) g_dpi = 96;
  }
  return g_dpi;
}

void SetLogicalDpiYForTest(int dpi) { g_dpi = dpi; }

int Scale(int v) { return MulDiv(v, LogicalDpiY(), 96); }

}  // namespace tolvane::win
