#include "platform/port_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tolvane {
namespace {

TEST(PortList, DriverBackedDevicesInDirectoryOrderThenTheExtraPorts) {
  char tmpl[] = "/tmp/tolvane-sysfs-XXXXXX";
  ASSERT_TRUE(mkdtemp(tmpl));
  const std::string root = tmpl;
  auto tty = [&](const std::string& name, bool driver, const char* type) {
    mkdir((root + "/" + name).c_str(), 0755);
    mkdir((root + "/" + name + "/device").c_str(), 0755);
    if (driver) symlink("/nonexistent/driver", (root + "/" + name + "/device/driver").c_str());
    if (type) std::ofstream(root + "/" + name + "/type") << type << "\n";
  };
  tty("ttyUSB0", true, nullptr);
  tty("ttyS0", true, "4");      // a real UART
  tty("ttyS1", true, "0");      // a placeholder without a UART
  tty("tty1", false, nullptr);  // a virtual console
  std::vector<std::string> ports = ListSerialPorts(root, "/tmp/a:ttyACM0::/tmp/a");
  std::vector<std::string> found(ports.begin(), ports.end() - 3);
  std::sort(found.begin(), found.end());  // directory order is the file system's
  EXPECT_EQ(found, (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
  EXPECT_EQ(std::vector<std::string>(ports.end() - 3, ports.end()),
            (std::vector<std::string>{"/tmp/a", "ttyACM0", "/tmp/a"}));  // no de-duplication
  EXPECT_TRUE(ListSerialPorts("/nonexistent-sysfs", nullptr).empty());
  std::system(("rm -rf " + root).c_str());
}

}  // namespace
}  // namespace tolvane
