// The Windows side, under wine: the simulator is a Linux program, started by the
// bench's launcher (tests/wine/sim_ctl.sh) with a symlink in the wine prefix's
// dosdevices, so that a COM port of its own leads to its pseudo-terminal.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/sim_process.h"

namespace tolvane::test {
namespace {

// The bench folder the fixture made, as a Linux path.
std::string Bench() {
  const char* bench = std::getenv("TOLVANE_SIM_BENCH");
  if (!bench || !*bench) throw std::runtime_error("TOLVANE_SIM_BENCH not set: run through CTest");
  return bench;
}

// wine shows the Linux root as drive Z:.
std::string WindowsPath(const std::string& unixPath) {
  std::string p = "Z:" + unixPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

bool Exists(const std::string& unixPath) {
  return GetFileAttributesA(WindowsPath(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs the launcher with its arguments; wine starts a Linux program without a
// process handle, so the launcher leaves a marker file when it is done.
void Launch(std::vector<std::string> args, const std::string& doneMarker) {
  std::string line = "/bin/sh " + Bench() + "/sim_ctl.sh";
  for (const auto& a : args) line += " \"" + a + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot start the simulator launcher");
  // For a Linux program wine reports no process, and what it leaves in the
  // thread field is no handle of ours: closing it closed whatever handle of the
  // test had that value (a serial port's event, whose reads then failed).
  if (pi.hProcess) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  for (int i = 0; i < 1000 && !Exists(doneMarker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (!Exists(doneMarker)) throw std::runtime_error("simulator launcher did not answer: " + line);
  DeleteFileA(WindowsPath(doneMarker).c_str());
}

// A COM port of this process's own: COM10 and above, claimed by a file.
std::string ClaimPort() {
  for (int n = 10; n < 100; ++n) {
    const std::string claim = Bench() + "/claims/COM" + std::to_string(n);
    HANDLE h = CreateFileA(WindowsPath(claim).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    CloseHandle(h);
    return "COM" + std::to_string(n);
  }
  throw std::runtime_error("no free COM port for the simulator");
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> args, std::string linkPath) {
  link_ = linkPath.empty() ? ClaimPort() : linkPath;
  dir_ = Bench() + "/sims/" + link_;
  log_ = WindowsPath(dir_ + "/sim.log");
  std::vector<std::string> all{"start", dir_, link_};
  all.insert(all.end(), args.begin(), args.end());
  Launch(all, dir_ + "/started");
  std::ifstream pid(WindowsPath(dir_ + "/pid"));
  pid >> pid_;
  WaitUntilReady();
}

bool SimProcess::PortShown() const {
  const std::string path = "\\\\.\\" + link_;
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES || GetLastError() != ERROR_FILE_NOT_FOUND;
}

SimProcess::~SimProcess() {
  try {
    Stop();
    Launch({"forget", dir_}, Bench() + "/sims/" + link_ + ".forgotten");
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
  DeleteFileA(WindowsPath(Bench() + "/claims/" + link_).c_str());
}

void SimProcess::Signal(int sig) {
  if (pid_ > 0) Launch({"signal", dir_, std::to_string(sig)}, dir_ + "/signalled");
}

void SimProcess::Stop() {
  if (pid_ <= 0) return;
  Launch({"stop", dir_}, dir_ + "/stopped");
  pid_ = -1;
}

}  // namespace tolvane::test
