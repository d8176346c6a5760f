#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <climits>

#include "platform/console.h"

namespace tolvane::console {
namespace {

volatile sig_atomic_t g_interrupted = 0;
void OnInterrupt(int) { g_interrupted = 1; }

// Set once a write to stdout fails; FinishOutput reports it.
bool g_outputLost = false;

int Descriptor(Stream stream) { return stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO; }

}  // namespace

void PrepareStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one, since the lower ones are open by now.
    int placeholder = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    // Without /dev/null (a bare chroot) any descriptor that fails every write does.
    if (placeholder < 0) placeholder = open("/", O_RDONLY | O_DIRECTORY);
    if (placeholder >= 0 && placeholder != fd) {
      dup2(placeholder, fd);
      close(placeholder);
    }
  }
}

std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

void CatchInterrupt() {
  struct sigaction old {};
  sigaction(SIGINT, nullptr, &old);
  // A shell that started us with Ctrl-C ignored (a background job, trap '' INT)
  // wants it to stay so.
  if (old.sa_handler == SIG_IGN) return;
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESTART;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

void ExitInterrupted() {
  // Dying by the signal tells a calling shell loop to stop as well.
  signal(SIGINT, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(SIGINT);
  _exit(128 + SIGINT);
}

bool IsTerminal(Stream stream) { return isatty(Descriptor(stream)) == 1; }

bool Write(Stream stream, std::string_view utf8) {
  const int fd = Descriptor(stream);
  while (!utf8.empty()) {
    const ssize_t n = write(fd, utf8.data(), utf8.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (stream == Stream::kOut) g_outputLost = true;
      return false;
    }
    utf8.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool FinishOutput() {
  // close() is where a file system that writes late (NFS) reports a lost write.
  const bool closed = close(STDOUT_FILENO) == 0 || errno == EINTR;
  // Keep descriptor 1 taken, so that nothing opened later becomes stdout.
  const int placeholder = open("/dev/null", O_WRONLY);
  if (placeholder >= 0 && placeholder != STDOUT_FILENO) close(placeholder);
  return closed && !g_outputLost;
}

std::string ExecutablePath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

}  // namespace tolvane::console
