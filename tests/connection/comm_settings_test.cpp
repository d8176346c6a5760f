#include "connection/comm_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "connection/port_list.h"
#include "support/memory_profile.h"

namespace tolvane {
namespace {

using MapStore = test::MemoryProfile;

TEST(CommSettings, EmptyProfileGivesTheDefaultsAndClearsTheLink) {
  MapStore store;
  ConnectedFlag().store(1);
  Comm().baud = 1200;
  LoadCommSettings(store);
  EXPECT_EQ(Comm(), CommSettings{});
  EXPECT_EQ(Comm().portName, "ttyS0");
  EXPECT_EQ(Comm().station, 1);
  EXPECT_EQ(Comm().baud, 9600u);
  EXPECT_EQ(Comm().dataBits, 8);
  EXPECT_EQ(Comm().stopBits, 2);
  EXPECT_EQ(Comm().parity, 0);
  EXPECT_EQ(Comm().transferMode, 1);
  EXPECT_FALSE(IsConnected());
}

TEST(CommSettings, LoadingTakesDecimalValuesNarrowedWithoutRangeCheck) {
  MapStore store;
  store.values = {{"REM_DefaultCom/REM_ComPortName", "ttyUSB3"}, {"REM_DefaultCom/REM_StaNum", " 300abc"},
                  {"REM_DefaultCom/REM_BaudRate", "14400"},     {"REM_DefaultCom/REM_Parity", "x"},
                  {"REM_DefaultCom/REM_TransType", "-1"},       {"REM_DefaultCom/REM_DataBytes", "6"},
                  {"REM_DefaultCom/REM_StopBytes", ""}};
  LoadCommSettings(store);
  EXPECT_EQ(Comm().portName, "ttyUSB3");
  EXPECT_EQ(Comm().station, 300 & 0xFF);
  EXPECT_EQ(Comm().baud, 14400u);
  EXPECT_EQ(Comm().parity, 0);          // letters read as 0
  EXPECT_EQ(Comm().transferMode, 255);  // -1 narrowed
  EXPECT_EQ(Comm().dataBits, 6);
  EXPECT_EQ(Comm().stopBits, 2);  // empty keeps the default
}

TEST(CommSettings, StoringWritesEveryKeyInOrderAsDecimalText) {
  MapStore store;
  Comm() = CommSettings{};
  Comm().portName = "/tmp/sim-port";
  StoreCommSettings(store);
  EXPECT_EQ(store.order, (std::vector<std::string>{"REM_ComPortName", "REM_StaNum", "REM_BaudRate", "REM_Parity",
                                                   "REM_TransType", "REM_DataBytes", "REM_StopBytes"}));
  EXPECT_EQ(store.values["REM_DefaultCom/REM_ComPortName"], "/tmp/sim-port");
  EXPECT_EQ(store.values["REM_DefaultCom/REM_TransType"], "1");
  EXPECT_EQ(store.values["REM_DefaultCom/REM_Parity"], "0");
  EXPECT_EQ(store.values["REM_DefaultCom/REM_BaudRate"], "9600");
  MapStore copy = store;
  Comm() = CommSettings{};
  Comm().baud = 1;
  LoadCommSettings(copy);
  EXPECT_EQ(Comm().portName, "/tmp/sim-port");
  EXPECT_EQ(Comm().baud, 9600u);
}

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
  tty("ttyS0", true, "4");   // a real UART
  tty("ttyS1", true, "0");   // a placeholder without a UART
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
