// tolvanectl from its arguments to its exit status, over the one serial link.
#pragma once
#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "ctl/ctl_options.h"

namespace tolvane::ctl {

struct Console {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is shown only there
};

// exeDir: the folder of tolvanectl, from which ConfigIniPath finds the window's
// config.ini. profilePath: the window's stored settings.
int Main(const std::vector<std::string>& args, const std::string& exeDir, const std::string& profilePath, Console& io);

// The connection settings for a command: the stored profile as the window's
// settings dialog would present it (a stored value outside its lists falls back
// as the dialog's lists do), then what the command line gives.
CommSettings EffectiveSettings(const Options& options, ProfileStore& profile);

// Set by SIGINT while a search runs; the search looks at it before each probe.
std::atomic<bool>& Interrupted();
void CatchInterrupt();

}  // namespace tolvane::ctl
