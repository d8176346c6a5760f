// The serial ports the window lists, with what each one is.
#pragma once
#include <string>
#include <vector>

namespace tolvane::ctl {

struct PortEntry {
  std::string name;
  std::string description;
};

// The ports of ListSerialPorts in its order. A USB adapter is described by its
// product and maker strings and VID:PID, any other port with a driver behind it
// as built in, a name from TOLVANE_PORTS as listed there.
std::vector<PortEntry> DescribePorts(const std::string& sysfsRoot, const char* extraPorts);

}  // namespace tolvane::ctl
