#include "ctl/ctl_ports.h"

#include <climits>
#include <fstream>

#include "core/language.h"
#include "platform/port_list.h"

namespace tolvane::ctl {
namespace {

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

// The USB device above a tty's device folder (the interface's parent), if any.
std::string UsbDescription(const std::string& sysfsRoot, const std::string& name) {
  char resolved[PATH_MAX];
  if (!realpath((sysfsRoot + "/" + name + "/device").c_str(), resolved)) return {};
  std::string dir = resolved;
  for (int up = 0; up < 4 && dir.size() > 1; ++up) {
    const std::string vid = FirstLine(dir + "/idVendor");
    if (!vid.empty()) {
      std::string text = FirstLine(dir + "/product");
      const std::string maker = FirstLine(dir + "/manufacturer");
      if (!maker.empty()) text += (text.empty() ? "" : " \xE2\x80\x94 ") + maker;  // an em dash
      return text + (text.empty() ? "" : " ") + "(" + vid + ":" + FirstLine(dir + "/idProduct") + ")";
    }
    dir = dir.substr(0, dir.rfind('/'));
  }
  return {};
}

}  // namespace

std::vector<PortEntry> DescribePorts(const std::string& sysfsRoot, const char* extraPorts) {
  std::vector<PortEntry> ports;
  for (const std::string& name : ListSerialPorts(sysfsRoot, nullptr)) {
    std::string description = UsbDescription(sysfsRoot, name);
    ports.push_back({name, description.empty() ? Pick(txt::kCtlPortBuiltIn) : description});
  }
  // No folder to read: only the listed names, in the order ListSerialPorts gives them.
  for (const std::string& name : ListSerialPorts(std::string(), extraPorts))
    ports.push_back({name, Pick(txt::kCtlPortListed)});
  return ports;
}

}  // namespace tolvane::ctl
