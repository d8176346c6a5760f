#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <atomic>
#include <cstdlib>

#include "platform/console.h"
#include "platform/win32_text.h"

namespace tolvane::console {
namespace {

std::atomic<bool> g_interrupted{false};
// A write to stdout that did not get through.
bool g_outLost = false;

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;  // closing, logoff: the default
  g_interrupted.store(true);
  return TRUE;
}

HANDLE Handle(Stream stream) { return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE); }

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

// A handle the parent gave us that names nothing (closed, or never set).
bool Usable(HANDLE h) {
  if (!h || h == INVALID_HANDLE_VALUE) return false;
  SetLastError(NO_ERROR);
  return GetFileType(h) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

bool WriteAll(HANDLE h, const char* data, size_t size) {
  while (size > 0) {
    DWORD done = 0;
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) return false;
    data += done;
    size -= done;
  }
  return true;
}

// The console takes UTF-16 whatever its code page; a pair of surrogates stays
// within one call so that it is drawn as one character.
bool WriteConsoleText(HANDLE h, std::string_view utf8) {
  const std::wstring text = win32::Wide(utf8);
  size_t at = 0;
  while (at < text.size()) {
    size_t n = text.size() - at < 8192 ? text.size() - at : 8192;
    if (n > 1 && at + n < text.size() && IS_HIGH_SURROGATE(text[at + n - 1])) --n;
    DWORD done = 0;
    if (!WriteConsoleW(h, text.data() + at, static_cast<DWORD>(n), &done, nullptr) || done == 0) return false;
    at += done;
  }
  return true;
}

}  // namespace

void PrepareStandardStreams() {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    // A caller that gave no stdout wants none, as one that closes it on POSIX:
    // the output goes to NUL and the command succeeds.
    if (Usable(GetStdHandle(which))) continue;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", which == STD_INPUT_HANDLE ? GENERIC_READ : GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    if (nul != INVALID_HANDLE_VALUE) SetStdHandle(which, nul);
  }
}

std::vector<std::string> Arguments(int argc, char** argv) {
  // The char arguments are in the ANSI code page, which loses what it cannot show;
  // the command line itself is UTF-16.
  std::vector<std::string> args;
  int n = 0;
  if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
    for (int i = 0; i < n; ++i) args.push_back(win32::Utf8(wide[i]));
    LocalFree(wide);
    return args;
  }
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void CatchInterrupt() {
  // A process whose parent disabled Ctrl-C (CREATE_NEW_PROCESS_GROUP) never sees
  // it in a handler; SetConsoleCtrlHandler(nullptr, FALSE) would undo that and is
  // therefore not called.
  SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted() { return g_interrupted.load(); }

void ExitInterrupted() {
  // The status a POSIX shell shows for a program ended by SIGINT. Nothing is
  // buffered: what was written is out already.
  ExitProcess(130);
}

bool IsTerminal(Stream stream) { return IsConsole(Handle(stream)); }

bool Write(Stream stream, std::string_view utf8) {
  const HANDLE h = Handle(stream);
  const bool ok = IsConsole(h) ? WriteConsoleText(h, utf8) : WriteAll(h, utf8.data(), utf8.size());
  if (stream == Stream::kOut && !ok) g_outLost = true;
  return ok;
}

bool FinishOutput() {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!h || h == INVALID_HANDLE_VALUE) return !g_outLost;
  // Nothing is buffered here: every Write went to the system at once. Closing
  // reports what a file system only notices then (a full disk on a share).
  const bool closed = IsConsole(h) || CloseHandle(h);
  SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
  return closed && !g_outLost;
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return win32::Utf8(path);
    }
    path.resize(path.size() * 2);  // a long path: cut at the buffer's end, ask again
  }
}

}  // namespace tolvane::console
