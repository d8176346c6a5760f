// Starts tolvane-sim on a pseudo-terminal for a test and reads what it logged.
// On Linux the test forks it (posix_sim_process.cpp); a Windows test under wine
// asks the bench's Linux-side launcher for one on a COM port of its own
// (win32_sim_process.cpp).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::test {

class SimProcess {
 public:
  // linkPath: where the port appears (a fresh temporary path when empty), so that
  // a restarted simulator can come back at the same place.
  explicit SimProcess(std::vector<std::string> args = {}, std::string linkPath = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // A symlink to the pty slave; on Windows the COM port that wine maps to it.
  const std::string& port() const { return link_; }
  std::vector<std::string> LogLines() const;
  std::vector<std::string> Requests() const;   // the hex of every "RX" line
  std::array<uint16_t, 26> Registers() const;  // from the last register dump
  void Stop();
  void Signal(int sig);
  bool running() const { return pid_ > 0; }

 private:
  long pid_ = -1;
  std::string dir_, link_, log_;
  bool PortShown() const;
  void WaitUntilReady();
};

// Points CommSettings at a port with the given line settings.
void UsePort(const std::string& port, uint32_t baud, uint8_t mode, uint8_t station = 1);

}  // namespace tolvane::test
