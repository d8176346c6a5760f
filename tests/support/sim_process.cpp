#include "support/sim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/comm_settings.h"
#include "models/com_set_model.h"

namespace tolvane::test {

SimProcess::SimProcess(std::vector<std::string> args, std::string linkPath) {
  char tmpl[] = "/tmp/tolvane-test-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  dir_ = tmpl;
  link_ = linkPath.empty() ? dir_ + "/port" : linkPath;
  log_ = dir_ + "/sim.log";
  std::vector<std::string> all{TOLVANE_SIM_PATH, "--link", link_, "--log", log_};
  all.insert(all.end(), args.begin(), args.end());
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // no simulator outlives a crashed test
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  // The register dump is the simulator's first log line: it is ready then.
  for (int i = 0; i < 500; ++i) {
    struct stat st {};
    if (lstat(link_.c_str(), &st) == 0 && !LogLines().empty()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("tolvane-sim did not start");
}

SimProcess::~SimProcess() {
  Stop();
  unlink(log_.c_str());
  unlink(link_.c_str());
  rmdir(dir_.c_str());
}

void SimProcess::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

void SimProcess::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
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
