#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/port_list.h"

namespace tolvane {

std::vector<std::string> ListSerialPorts(const std::string& sysfsRoot, const char* extraPorts) {
  std::vector<std::string> ports;
  if (DIR* dir = opendir(sysfsRoot.c_str())) {
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      std::string base = sysfsRoot + "/" + name;
      char target[512];
      if (readlink((base + "/device/driver").c_str(), target, sizeof target) < 0) continue;
      if (name.rfind("ttyS", 0) == 0) {
        std::ifstream type(base + "/type");
        int t = 0;
        if (!(type >> t) || t == 0) continue;
      }
      ports.push_back(name);
    }
    closedir(dir);
  }
  if (extraPorts) {
    std::string extra = extraPorts;
    size_t start = 0;
    while (start <= extra.size()) {
      size_t end = extra.find(':', start);
      if (end == std::string::npos) end = extra.size();
      if (end > start) ports.push_back(extra.substr(start, end - start));
      start = end + 1;
    }
  }
  return ports;
}

std::vector<std::string> ListSerialPorts() { return ListSerialPorts("/sys/class/tty", std::getenv("TOLVANE_PORTS")); }

std::vector<std::string> PortNameExamples() { return {"ttyUSB0", "/dev/ttyUSB0"}; }

namespace {

// The first line of a sysfs attribute without its line end and trailing blanks.
std::string ReadAttribute(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The name of the device node a path leads to: the end of its resolved path, or,
// where the target cannot be resolved (a link into another root), the end of
// the link's own target.
std::string TtyBehind(const std::string& path) {
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf)) return BaseName(buf);
  const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
  if (n > 0) return BaseName(std::string(buf, static_cast<size_t>(n)));
  return BaseName(path);
}

// tty name -> the by-id link leading to it; the first link by name wins.
std::map<std::string, std::string> StableNames(const std::string& byIdDir) {
  std::vector<std::string> links;
  if (DIR* dir = opendir(byIdDir.c_str())) {
    while (dirent* e = readdir(dir))
      if (e->d_name[0] != '.') links.push_back(e->d_name);
    closedir(dir);
  }
  std::sort(links.begin(), links.end());
  std::map<std::string, std::string> byTty;
  for (const std::string& link : links) byTty.emplace(TtyBehind(byIdDir + "/" + link), byIdDir + "/" + link);
  return byTty;
}

void DescribeFromSysfs(PortInfo& info, const std::string& tty, const std::string& sysfsRoot) {
  char buf[PATH_MAX];
  if (tty.empty() || !realpath((sysfsRoot + "/" + tty + "/device").c_str(), buf)) return;
  info.kind = PortInfo::Kind::kBuiltIn;
  // The USB device sits one level above the interface (ttyACM) or two above the
  // usb-serial port (ttyUSB); a hub adds no level here.
  std::string dir = buf;
  for (int up = 0; up < 4 && dir != "/"; ++up, dir = Parent(dir)) {
    if (Exists(dir + "/idVendor") && Exists(dir + "/idProduct")) {
      info.kind = PortInfo::Kind::kUsb;
      info.vendorId = ReadAttribute(dir + "/idVendor");
      info.productId = ReadAttribute(dir + "/idProduct");
      info.product = ReadAttribute(dir + "/product");
      info.manufacturer = ReadAttribute(dir + "/manufacturer");
      return;
    }
  }
}

}  // namespace

std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names, const std::string& sysfsRoot,
                                          const std::string& byIdDir) {
  const std::map<std::string, std::string> stable = StableNames(byIdDir);
  std::vector<PortInfo> infos;
  for (const std::string& name : names) {
    PortInfo info;
    info.name = name;
    const bool isPath = name.find('/') != std::string::npos;
    const std::string tty = isPath ? TtyBehind(name) : name;
    DescribeFromSysfs(info, tty, sysfsRoot);
    if (isPath && name.rfind(byIdDir + "/", 0) == 0) {
      info.stableName = name;
    } else if (auto it = stable.find(tty); it != stable.end() && info.kind != PortInfo::Kind::kUnknown) {
      info.stableName = it->second;
    }
    infos.push_back(std::move(info));
  }
  return infos;
}

std::vector<PortInfo> DescribeSerialPorts(const std::vector<std::string>& names) {
  return DescribeSerialPorts(names, "/sys/class/tty", "/dev/serial/by-id");
}

}  // namespace tolvane
