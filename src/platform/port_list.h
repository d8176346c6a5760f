#pragma once
#include <string>
#include <vector>

namespace tolvane {

// The serial ports the system knows, in its order, with nothing sorted or
// removed: on Windows the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM; on
// Linux what the overload below finds under /sys/class/tty, then TOLVANE_PORTS.
std::vector<std::string> ListSerialPorts();

// How this system's users name a port, for help texts: the usual name first
// ("ttyUSB0", "COM3"), then the other forms a port may be given in.
std::vector<std::string> PortNameExamples();

// What a listed port is, so that the user can tell an adapter from the board's own UART.
struct PortInfo {
  // kNamed: a device the system names (product) that is neither USB nor known
  // to be built in; kListed: the system lists the port and knows nothing more.
  enum class Kind { kUnknown, kUsb, kBuiltIn, kNamed, kListed };
  std::string name;  // as listed
  Kind kind = Kind::kUnknown;
  std::string product, manufacturer;  // the device's own strings; either may be missing
  std::string vendorId, productId;    // a USB device's, four hex digits each
  std::string stableName;             // the /dev/serial/by-id/ link that leads to this port, if any
};

// One entry per name, in the same order. On Windows a port is described by the
// device whose "PortName" it is: its friendly name without the "(COMn)" that
// repeats the port, its maker and, for USB, the IDs in its hardware ID.
std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names);

// The drop-down's line for a port in the current language: "ttyUSB0 — USB-Serial
// Controller Prolific (067b:2303)", "ttyS0 — built-in serial port", "COM3 — USB
// Serial Port FTDI (0403:6001)", or the name alone.
std::string PortDropDownText(const PortInfo& port);
// What the port is, in the current language, without its name; empty when unknown.
std::string PortDescription(const PortInfo& port);

// Linux, with the folders as parameters for the tests. Serial devices under
// sysfsRoot (normally /sys/class/tty) that have a driver behind them, in
// directory order; ttyS entries whose UART type is 0 are the kernel's empty
// placeholders and are left out. The names in extraPorts (colon-separated,
// from TOLVANE_PORTS) follow in their order.
std::vector<std::string> ListSerialPorts(const std::string& sysfsRoot, const char* extraPorts);
// A USB port is recognised by the USB device above its sysfs device; any other
// port with a sysfs device is built in. A name given as a path is described as
// the tty its link leads to.
std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names, const std::string& sysfsRoot,
                                          const std::string& byIdDir);

}  // namespace tolvane
