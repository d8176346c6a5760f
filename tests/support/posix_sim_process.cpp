// The Linux side: the test forks the simulator itself.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/sim_process.h"

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
  WaitUntilReady();
}

bool SimProcess::PortShown() const {
  struct stat st {};
  return lstat(link_.c_str(), &st) == 0;
}

SimProcess::~SimProcess() {
  Stop();
  unlink(log_.c_str());
  unlink(link_.c_str());
  rmdir(dir_.c_str());
}

void SimProcess::Signal(int sig) {
  if (pid_ > 0) kill(static_cast<pid_t>(pid_), sig);
}

void SimProcess::Stop() {
  if (pid_ <= 0) return;
  kill(static_cast<pid_t>(pid_), SIGTERM);
  int status = 0;
  waitpid(static_cast<pid_t>(pid_), &status, 0);
  pid_ = -1;
}

}  // namespace tolvane::test
