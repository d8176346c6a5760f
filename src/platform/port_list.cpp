#include "platform/port_list.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

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

}  // namespace tolvane
