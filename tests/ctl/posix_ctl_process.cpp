// The POSIX side: fork and exec, stdout on a pipe, stderr on a pipe or a pty.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "ctl/ctl_process.h"

namespace tolvane::test {

struct CtlProcess::System {
  pid_t pid = -1;
  int outFd = -1, errFd = -1;
};

namespace {

// One poll over both outputs; false once both have ended.
bool Pump(int& outFd, int& errFd, CtlResult& result, int timeoutMs) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  if (outFd < 0 && errFd < 0) return false;
  if (poll(fds, 2, timeoutMs) < 0) return true;
  std::string* into[2] = {&result.out, &result.err};
  int* fd[2] = {&outFd, &errFd};
  for (int i = 0; i < 2; ++i) {
    if (*fd[i] < 0 || !fds[i].revents) continue;
    char buf[4096];
    const ssize_t n = read(*fd[i], buf, sizeof buf);
    if (n > 0) {
      into[i]->append(buf, static_cast<size_t>(n));
    } else {  // end of a pipe, or EIO from a terminal whose other side has closed
      close(*fd[i]);
      *fd[i] = -1;
    }
  }
  return true;
}

}  // namespace

CtlProcess::CtlProcess(const std::vector<std::string>& args, const std::vector<std::string>& env, bool errOnTerminal,
                       const std::string& program, const std::function<void()>& inChild)
    : sys_(std::make_unique<System>()) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  if (errOnTerminal) {
    if (openpty(&err[0], &err[1], nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    fcntl(err[0], F_SETFD, FD_CLOEXEC);
    fcntl(err[1], F_SETFD, FD_CLOEXEC);
  } else if (pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  sys_->pid = fork();
  if (sys_->pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, STDIN_FILENO);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (inChild) inChild();
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  sys_->outFd = out[0];
  sys_->errFd = err[0];
}

CtlProcess::~CtlProcess() {
  if (sys_->pid > 0) {
    kill(sys_->pid, SIGKILL);
    waitpid(sys_->pid, nullptr, 0);
  }
  if (sys_->outFd >= 0) close(sys_->outFd);
  if (sys_->errFd >= 0) close(sys_->errFd);
}

bool CtlProcess::WaitForErr(const std::string& text) {
  while (result_.err.find(text) == std::string::npos)
    if (!Pump(sys_->outFd, sys_->errFd, result_, -1)) return false;
  return true;
}

bool CtlProcess::Signal(int sig) { return kill(sys_->pid, sig) == 0; }

CtlResult CtlProcess::Finish() {
  while (Pump(sys_->outFd, sys_->errFd, result_, -1)) {
  }
  int status = 0;
  waitpid(sys_->pid, &status, 0);
  sys_->pid = -1;
  result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result_;
}

}  // namespace tolvane::test
