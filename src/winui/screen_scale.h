// The screen's scale: geometry is laid out for 96 pixels per inch and scaled
// by the screen's vertical logical pixels per inch, read once.
#pragma once
#include <windows.h>

namespace tolvane::win {

int LogicalDpiY();
void SetLogicalDpiYForTest(int dpi);
int Scale(int v);

}  // namespace tolvane::win
