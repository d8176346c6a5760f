// tolvanectl: the coupler's commands from a shell.
#include <string>
#include <vector>

#include "ctl/ctl_run.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  namespace console = tolvane::console;
  // Before anything is opened: a closed stdout must not become the serial port.
  console::PrepareStandardStreams();
  console::CatchInterrupt();
  std::vector<std::string> args = console::Arguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  return tolvane::ctl::Main(args);
}
