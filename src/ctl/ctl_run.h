// tolvanectl from its arguments to its exit status, over the one serial link.
#pragma once
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "ctl/ctl_options.h"

namespace tolvane::ctl {

// args: the arguments after the program's name. Expects the standard streams
// prepared and Ctrl-C caught; after Ctrl-C it ends the process itself, as an
// interrupted console program ends, once the port is closed.
int Main(const std::vector<std::string>& args);

// The connection settings for a command: the stored profile as the window's
// settings dialog would present it (a stored value outside its lists falls back
// as the dialog's lists do), then what the command line gives.
CommSettings EffectiveSettings(const Options& options, ProfileStore& profile);

}  // namespace tolvane::ctl
