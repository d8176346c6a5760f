// tolvanectl: the coupler's commands from a shell.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/ctl_run.h"
#include "platform/settings_store.h"

namespace {

// The window's config.ini lies beside its executable, and tolvanectl is installed
// beside it.
std::string ExecutableDir() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string exe(path, static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return slash == 0 ? "/" : exe.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tolvane::ctl::Console io{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  return tolvane::ctl::Main(args, ExecutableDir(), tolvane::DefaultProfilePath(), io);
}
