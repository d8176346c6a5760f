// The parts of win32_files.cpp that its tests drive directly. Windows builds only.
#pragma once
#include <windows.h>

namespace tolvane::sysfile::winapi {

// The system's ReplaceFileW unless a test plays its failures (nullptr restores
// it). Same contract as ReplaceFileW, the error left for GetLastError.
using ReplaceFunction = BOOL(WINAPI*)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                                      LPVOID exclude, LPVOID reserved);
void SetReplaceFunction(ReplaceFunction replace);

}  // namespace tolvane::sysfile::winapi
