// Starts tolvane-sim on a pseudo-terminal for a test and reads what it logged.
#pragma once
#include <sys/types.h>

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

  const std::string& port() const { return link_; }  // a symlink to the pty slave
  std::vector<std::string> LogLines() const;
  std::vector<std::string> Requests() const;   // the hex of every "RX" line
  std::array<uint16_t, 26> Registers() const;  // from the last register dump
  void Stop();
  void Signal(int sig);
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
  std::string dir_, link_, log_;
};

// Points CommSettings at a port with the given line settings.
void UsePort(const std::string& port, uint32_t baud, uint8_t mode, uint8_t station = 1);

}  // namespace tolvane::test
