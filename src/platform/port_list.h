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

// The device node a port name leads to, every link followed ("ttyUSB1" and
// "/dev/serial/by-id/usb-…-port0" may both give "/dev/ttyUSB1"); empty when
// there is none.
std::string ResolvePortDevice(const std::string& portName);

// What a listed port is, so that the user can tell an adapter from the board's own UART.
struct PortInfo {
  enum class Kind { kUnknown, kUsb, kBuiltIn };
  std::string name;  // as listed
  Kind kind = Kind::kUnknown;
  std::string product, manufacturer;  // the USB device's own strings; either may be missing
  std::string vendorId, productId;    // four hex digits each
  std::string stableName;             // the /dev/serial/by-id/ link that leads to this port, if any
};

// One entry per name, in the same order. A USB port is recognised by the USB
// device above its sysfs device; any other port with a sysfs device is built
// in. A name given as a path is described as the tty its link leads to.
std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names, const std::string& sysfsRoot,
                                          const std::string& byIdDir);
std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names);

// The drop-down's line for a port in the current language: "ttyUSB0 — USB-Serial
// Controller Prolific (067b:2303)", "ttyS0 — built-in serial port", or the name alone.
std::string PortDropDownText(const PortInfo& port);
// What the port is, in the current language, without its name; empty when unknown.
std::string PortDescription(const PortInfo& port);

}  // namespace tolvane
