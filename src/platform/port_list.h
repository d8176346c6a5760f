#pragma once
#include <string>
#include <vector>

namespace tolvane {

// Serial devices under sysfsRoot (normally /sys/class/tty) that have a driver
// behind them, in directory order; ttyS entries whose UART type is 0 are the
// kernel's empty placeholders and are left out. The names in extraPorts
// (colon-separated, from TOLVANE_PORTS) follow in their order.
std::vector<std::string> ListSerialPorts(const std::string& sysfsRoot, const char* extraPorts);
std::vector<std::string> ListSerialPorts();

}  // namespace tolvane
