// The Windows side: a process on a console of its own, stdin on NUL and stdout
// and stderr on pipes. A thread drains stdout, so that neither pipe can fill and
// stall the program while the test reads the other. Ctrl-C reaches it as a
// person's would: the test joins the child's console for a moment and sends the
// console's Ctrl-C to every process on it (wine passes no control event to
// another process group of a shared console).
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

BOOL WINAPI PassOver(DWORD event) { return event == CTRL_C_EVENT; }

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
      CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_CONSOLE,
                     environment.data(), nullptr, &si, &pi);
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

// SIGINT is the console's Ctrl-C, which the program's own handler takes; its
// exit status is the program's. The test, on the child's console meanwhile,
// takes the event too and lets it pass: a handler of its own, since ignoring
// Ctrl-C outright would pass on to every child started later, and those would
// ignore theirs. False when the system cannot deliver it. Other signals
// have no console event: the process is ended as a shell shows one ended by it.
bool CtlProcess::Signal(int sig) {
  if (sig != SIGINT) return TerminateProcess(sys_->process, 128 + sig);
  static const bool passing = SetConsoleCtrlHandler(PassOver, TRUE);
  if (!passing) return false;
  FreeConsole();
  if (!AttachConsole(sys_->id)) return false;
  const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  FreeConsole();
  return sent;
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
