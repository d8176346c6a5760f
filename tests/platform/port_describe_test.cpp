// Ports described from a sysfs tree and a by-id folder laid out as the kernel and
// udev lay them out, and where config.ini lives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/language.h"
#include "platform/config_ini.h"
#include "platform/port_list.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;

class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tolvane-describe-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    root = tmpl;
    const fs::path usb = root / "devices/pci0/usb1";
    // A usb-serial adapter: tty -> port device -> interface -> USB device.
    Attributes(usb / "1-1", {{"idVendor", "067b"},
                             {"idProduct", "2303"},
                             {"product", "USB-Serial Controller \n"},
                             {"manufacturer", "Prolific Technology Inc."}});
    fs::create_directories(usb / "1-1/1-1:1.0/ttyUSB0");
    // A CDC-ACM device without a product string, behind a hub: tty -> interface -> USB device.
    Attributes(usb / "1-3/1-3.2", {{"idVendor", "2341"}, {"idProduct", "0043"}, {"manufacturer", "Arduino"}});
    fs::create_directories(usb / "1-3/1-3.2/1-3.2:1.0");
    fs::create_directories(root / "devices/platform/serial8250");
    Tty("ttyUSB0", "../../../devices/pci0/usb1/1-1/1-1:1.0/ttyUSB0");
    Tty("ttyACM0", "../../../devices/pci0/usb1/1-3/1-3.2/1-3.2:1.0");
    Tty("ttyS0", "../../../devices/platform/serial8250");
    fs::create_directories(root / "by-id");
    fs::create_symlink("../../ttyUSB0", root / "by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0");
    fs::create_symlink("../../ttyACM0", root / "by-id/usb-Arduino_0043-if00");
  }
  void TearDown() override {
    fs::remove_all(root);
    SetUiLanguage(1);
  }
  void Attributes(const fs::path& dir, std::vector<std::pair<std::string, std::string>> values) {
    fs::create_directories(dir);
    for (const auto& [name, value] : values) std::ofstream(dir / name) << value << "\n";
  }
  void Tty(const std::string& name, const std::string& device) {
    fs::create_directories(root / "class/tty" / name);
    fs::create_symlink(device, root / "class/tty" / name / "device");
  }
  std::vector<PortInfo> Describe(const std::vector<std::string>& names) {
    return DescribeSerialPorts(names, (root / "class/tty").string(), (root / "by-id").string());
  }
  fs::path root;
};

TEST_F(FakeSysfs, AdaptersBuiltInPortsAndOthersInTheListsOrder) {
  const std::string byIdPath = (root / "by-id/usb-Arduino_0043-if00").string();
  const std::vector<std::string> names{"ttyS0", "ttyUSB0", "ttyACM0", "/tmp/pts-of-a-simulator", "ttyUSB7", byIdPath};
  const std::vector<PortInfo> ports = Describe(names);
  ASSERT_EQ(ports.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ports[i].name, names[i]);  // names and order unchanged

  EXPECT_EQ(ports[1].kind, PortInfo::Kind::kUsb);
  EXPECT_EQ(ports[1].stableName,
            (root / "by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0").string());
  EXPECT_EQ(ports[2].stableName, byIdPath);
  EXPECT_EQ(ports[0].stableName, "");
  // A by-id name is described as the tty it leads to and is its own stable name.
  EXPECT_EQ(ports[5].kind, PortInfo::Kind::kUsb);
  EXPECT_EQ(ports[5].vendorId, "2341");
  EXPECT_EQ(ports[5].stableName, byIdPath);

  SetUiLanguage(1);
  EXPECT_EQ(PortDropDownText(ports[0]), "ttyS0 — built-in serial port");
  EXPECT_EQ(PortDropDownText(ports[1]), "ttyUSB0 — USB-Serial Controller Prolific Technology Inc. (067b:2303)");
  EXPECT_EQ(PortDropDownText(ports[2]), "ttyACM0 — USB serial adapter Arduino (2341:0043)");
  EXPECT_EQ(PortDropDownText(ports[3]), "/tmp/pts-of-a-simulator");
  EXPECT_EQ(PortDropDownText(ports[4]), "ttyUSB7");  // gone from sysfs since it was listed
  SetUiLanguage(0);
  EXPECT_EQ(PortDropDownText(ports[0]), "ttyS0 — 内置串口");
  EXPECT_EQ(PortDropDownText(ports[2]), "ttyACM0 — USB 串口适配器 Arduino (2341:0043)");
}

TEST(PortDropDownText, AMakerNamedInTheProductIsNotRepeated) {
  PortInfo p{.name = "ttyUSB1",
             .kind = PortInfo::Kind::kUsb,
             .product = "FTDI FT232R USB UART",
             .manufacturer = "FTDI",
             .vendorId = "0403",
             .productId = "6001",
             .stableName = ""};
  EXPECT_EQ(PortDropDownText(p), "ttyUSB1 — FTDI FT232R USB UART (0403:6001)");
}

TEST(PortDropDownText, EveryPortOfThisMachineStartsWithItsName) {
  for (const PortInfo& p : DescribeSerialPorts(ListSerialPorts())) EXPECT_EQ(PortDropDownText(p).rfind(p.name, 0), 0u);
}

TEST(ConfigIniPath, BesideAWritableExecutableElseInTheUsersConfigFolder) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
  EXPECT_EQ(ConfigIniPath("/build/tree", false, true), "/build/tree/config.ini");
  EXPECT_EQ(ConfigIniPath("/usr/bin", false, false), "/home/u/.cfg/tolvane/config.ini");
  EXPECT_EQ(ConfigIniPath("/usr/bin", true, true), "/home/u/.cfg/tolvane/config.ini");  // root, installed
  unsetenv("XDG_CONFIG_HOME");
  if (!std::getenv("HOME")) setenv("HOME", "/root", 1);
  const std::string user = std::string(std::getenv("HOME")) + "/.config/tolvane/config.ini";
  EXPECT_EQ(ConfigIniPath("/usr/bin", false, false), user);
  // The folder's own permission decides: a temporary folder is ours, a missing one is nobody's;
  // a folder laid out as installed (guides in ../share/doc/tolvane) is never written, even by root.
  char tmpl[] = "/tmp/tolvane-exe-XXXXXX";
  ASSERT_TRUE(mkdtemp(tmpl));
  EXPECT_EQ(ConfigIniPath(tmpl), std::string(tmpl) + "/config.ini");
  EXPECT_EQ(ConfigIniPath(std::string(tmpl) + "/missing"), user);
  ASSERT_TRUE(fs::create_directories(std::string(tmpl) + "/bin") &&
              fs::create_directories(std::string(tmpl) + "/share/doc/tolvane"));
  EXPECT_EQ(ConfigIniPath(std::string(tmpl) + "/bin"), user);
  fs::remove_all(tmpl);
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(ConfigIniPath, TheFirstLanguageChangeCreatesTheUsersFolder) {
  char tmpl[] = "/tmp/tolvane-xdg-XXXXXX";
  ASSERT_TRUE(mkdtemp(tmpl));
  const std::string config = std::string(tmpl) + "/tolvane/config.ini";
  EXPECT_FALSE(WriteLanguageType(config, 0));  // the folder beside an executable is never made
  EXPECT_TRUE(WriteLanguageType(config, 0, /*makeDirs=*/true));
  EXPECT_EQ(ReadLanguageType(config), 0);
  fs::remove_all(tmpl);
}

}  // namespace
}  // namespace tolvane
