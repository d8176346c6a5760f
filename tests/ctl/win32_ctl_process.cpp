// The Windows side: a process in a process group of its own, on the test's
// console (made for it when the test has none), stdin on NUL and stdout and
// stderr on pipes. A thread drains stdout, so that neither pipe can fill and
// stall the program while the test reads the other. Ctrl-C reaches it as the
// console's Ctrl-Break, the one control event a process group can be sent.
#include <windows.h>

#include <signal.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <thread>

#include "ctl/ctl_process.h"

namespace tolvane::test {

struct CtlProcess::System {
  HANDLE process = nullptr;
  DWORD id = 0;
  HANDLE out = nullptr, err = nullptr;  // the read ends
  bool errEnded = false;
  std::thread outReader;
};

namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

// One argument as the C runtime and CommandLineToArgvW split it again:
// backslashes count only before a quote.
std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    q += c;
  }
  q.append(backslashes * 2, L'\\');
  return q + L"\"";
}

// The test's own environment, with the entries of `env` replacing those of the same name.
std::wstring Environment(const std::vector<std::string>& env) {
  std::vector<std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += std::wcslen(p) + 1) vars.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  for (const std::string& e : env) {
    const std::wstring entry = Wide(e);
    const std::wstring name = entry.substr(0, entry.find(L'=') + 1);
    std::erase_if(vars, [&](const std::wstring& v) { return _wcsnicmp(v.c_str(), name.c_str(), name.size()) == 0; });
    vars.push_back(entry);
  }
  std::wstring block;
  for (const std::wstring& v : vars) block.append(v).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

// False once the writing side has closed (ERROR_BROKEN_PIPE) or the read failed.
bool ReadSome(HANDLE h, std::string& into) {
  char buf[4096];
  DWORD n = 0;
  if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) return false;
  into.append(buf, n);
  return true;
}

// A console events can be sent through; the test's own standard handles stay
// where the test runner put them.
void ShareAConsole() {
  static const bool shared = [] {
    if (GetConsoleCP() != 0) return true;  // attached to one already
    const DWORD which[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    HANDLE kept[3];
    for (int i = 0; i < 3; ++i) kept[i] = GetStdHandle(which[i]);
    // What a process started without a console may be attached to (wine gives
    // one that cannot pass control events) makes way for a console of its own.
    FreeConsole();
    const bool made = AllocConsole();
    for (int i = 0; i < 3; ++i) SetStdHandle(which[i], kept[i]);
    return made;
  }();
  if (!shared) throw std::runtime_error("no console: error " + std::to_string(GetLastError()));
}

void MakePipe(HANDLE* readEnd, HANDLE* writeEnd) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(readEnd, writeEnd, &inherit, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(*readEnd, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

CtlProcess::CtlProcess(const std::vector<std::string>& args, const std::vector<std::string>& env, bool errOnTerminal,
                       const std::string& program, const std::function<void()>& inChild)
    : sys_(std::make_unique<System>()) {
  if (errOnTerminal || inChild) throw std::invalid_argument("a terminal and inChild are POSIX only");
  ShareAConsole();
  HANDLE outWrite = nullptr, errWrite = nullptr;
  MakePipe(&sys_->out, &outWrite);
  MakePipe(&sys_->err, &errWrite);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE nul =
      CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = outWrite;
  si.hStdError = errWrite;
  const std::wstring path = Wide(program);
  std::wstring line = Quote(path);
  for (const std::string& a : args) line += L" " + Quote(Wide(a));
  std::wstring environment = Environment(env);
  PROCESS_INFORMATION pi{};
  const BOOL started =
      CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, environment.data(), nullptr, &si, &pi);
  // Only the child holds the write ends now: the pipes end when it does.
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) throw std::runtime_error("cannot start " + program + ": error " + std::to_string(GetLastError()));
  CloseHandle(pi.hThread);
  sys_->process = pi.hProcess;
  sys_->id = pi.dwProcessId;
  sys_->outReader = std::thread([h = sys_->out, out = &result_.out] {
    while (ReadSome(h, *out)) {
    }
  });
}

CtlProcess::~CtlProcess() {
  if (sys_->process) {
    TerminateProcess(sys_->process, 1);
    WaitForSingleObject(sys_->process, INFINITE);
    CloseHandle(sys_->process);
  }
  if (sys_->outReader.joinable()) sys_->outReader.join();
  CloseHandle(sys_->out);
  CloseHandle(sys_->err);
}

bool CtlProcess::WaitForErr(const std::string& text) {
  while (result_.err.find(text) == std::string::npos) {
    if (sys_->errEnded) return false;
    sys_->errEnded = !ReadSome(sys_->err, result_.err);
  }
  return true;
}

// SIGINT is the console's Ctrl-Break to the child's group, which the program's
// own handler takes as Ctrl-C; its exit status is the program's. False when the
// system cannot deliver it (wine's console refuses control events). Other
// signals have no console event: the process is ended as a shell shows one
// ended by it.
bool CtlProcess::Signal(int sig) {
  if (sig != SIGINT) return TerminateProcess(sys_->process, 128 + sig);
  return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, sys_->id);
}

CtlResult CtlProcess::Finish() {
  while (!sys_->errEnded) sys_->errEnded = !ReadSome(sys_->err, result_.err);
  sys_->outReader.join();
  WaitForSingleObject(sys_->process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(sys_->process, &code);
  CloseHandle(sys_->process);
  sys_->process = nullptr;
  result_.status = static_cast<int>(code);
  result_.signal = 0;
  return result_;
}

}  // namespace tolvane::test
