#include "support/sim_process.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/comm_settings.h"
#include "models/com_set_model.h"

namespace tolvane::test {

// The register dump is the simulator's first log line: it is ready then.
void SimProcess::WaitUntilReady() {
  for (int i = 0; i < 500; ++i) {
    if (PortShown() && !LogLines().empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("tolvane-sim did not start");
}

std::vector<std::string> SimProcess::LogLines() const {
  std::vector<std::string> lines;
  std::ifstream in(log_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> SimProcess::Requests() const {
  std::vector<std::string> out;
  for (const auto& l : LogLines()) {
    if (l.rfind("RX ", 0) != 0) continue;
    out.push_back(l.substr(3, l.find(" |") - 3));
  }
  return out;
}

std::array<uint16_t, 26> SimProcess::Registers() const {
  std::array<uint16_t, 26> regs{};
  for (const auto& l : LogLines()) {
    if (l.rfind("REGS ", 0) != 0) continue;
    std::istringstream in(l.substr(5));
    for (auto& r : regs) in >> r;
  }
  return regs;
}

void UsePort(const std::string& port, uint32_t baud, uint8_t mode, uint8_t station) {
  CommSettings& c = Comm();
  c.portName = port;
  c.baud = baud;
  c.station = station;
  // The search's frame formats are in the order of the module's mode codes.
  const ScanFormat& f = ScanFormats().at(mode);
  c.transferMode = f.transferMode;
  c.dataBits = f.dataBits;
  c.parity = f.parity;
  c.stopBits = f.stopBits;
}

}  // namespace tolvane::test
