#include "core/comm_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

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
                  {"REM_DefaultCom/REM_BaudRate", "14400"},      {"REM_DefaultCom/REM_Parity", "x"},
                  {"REM_DefaultCom/REM_TransType", "-1"},        {"REM_DefaultCom/REM_DataBytes", "6"},
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

}  // namespace
}  // namespace tolvane
