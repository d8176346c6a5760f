// tolvanectl: the coupler's commands from a shell.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "ctl/ctl_run.h"
#include "platform/settings_store.h"
#include "platform/system_files.h"

// The window's config.ini is found from the executable's folder, and tolvanectl
// is installed beside the window's executable.
int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tolvane::ctl::Console io{std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
  return tolvane::ctl::Main(args, tolvane::sysfile::ExecutableFolder(), tolvane::DefaultProfilePath(), io);
}
