// The four requests against the simulated coupler on a pseudo-terminal.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "core/comm_settings.h"
#include "core/language.h"
#include "device/identification.h"
#include "modbus/modbus_master.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::MessageRecorder;
using test::SimProcess;
using test::UsePort;

TEST(Requests, ExactBytesOfProbeReadAndWriteInRtu) {
  SimProcess sim({"--baud", "115200"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 0);
  EXPECT_EQ(ProbedTypeCode(), 0x1501);
  EXPECT_EQ(ReadRegisters(26), 0);
  EXPECT_EQ(ReplyLength(), 3u + 52u);
  const uint8_t data[4] = {0x00, 0x64, 0x00, 0x07};
  EXPECT_EQ(WriteRegisters(5, 4, data), 0);
  EXPECT_EQ(sim.Requests(), (std::vector<std::string>{"01 03 00 00 00 02 C4 0B", "01 03 00 00 00 1A C4 01",
                                                      "01 10 00 05 00 02 04 00 64 00 07 33 8D"}));
  EXPECT_EQ(sim.Registers()[5], 100);
  EXPECT_EQ(sim.Registers()[6], 7);
  Link().ClosePort();
}

TEST(Requests, ExactBytesInAscii) {
  SimProcess sim({"--baud", "57600", "--mode", "5", "--station", "17"});
  UsePort(sim.port(), 57600, 5, 17);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 0);
  EXPECT_EQ(ReadRegisters(26), 0);
  EXPECT_EQ(Reply()[3], 0x15);
  EXPECT_EQ(Reply()[4], 0x01);
  const uint8_t data[6] = {0, 17, 0, 5, 0, 6};
  EXPECT_EQ(WriteRegisters(2, 6, data), 0);
  auto hex = [](const std::string& text) {
    std::string s;
    char b[4];
    for (unsigned char c : text) {
      snprintf(b, sizeof b, s.empty() ? "%02X" : " %02X", c);
      s += b;
    }
    return s;
  };
  EXPECT_EQ(sim.Requests(), (std::vector<std::string>{hex(":110300000002EA\r\n"), hex(":11030000001AD2\r\n"),
                                                      hex(":11100002000306001100050006B8\r\n")}));
  Link().ClosePort();
}

TEST(Requests, ModuleThatAnswersOnlyTheThirdTry) {
  SimProcess sim({"--baud", "115200", "--skip", "2"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ReadRegisters(26), 0);
  EXPECT_EQ(sim.Requests().size(), 3u);
  Link().ClosePort();
}

TEST(Requests, SilentCorruptAndExceptionModules) {
  {
    SimProcess sim({"--baud", "115200", "--silent"});
    UsePort(sim.port(), 115200, 0);
    ASSERT_TRUE(Link().OpenPort());
    EXPECT_EQ(ReadRegisters(26), 1);
    EXPECT_EQ(sim.Requests().size(), 3u);
    EXPECT_TRUE(LastTransaction().sent);
    EXPECT_FALSE(LastTransaction().refused);
  }
  {
    SimProcess sim({"--baud", "115200", "--bad-crc"});
    UsePort(sim.port(), 115200, 0);
    ASSERT_TRUE(Link().OpenPort());
    EXPECT_EQ(ReadRegisters(26), 7);
    EXPECT_EQ(sim.Requests().size(), 3u);
    EXPECT_FALSE(LastTransaction().refused);  // garbled: no proof of anything
  }
  {
    SimProcess sim({"--baud", "115200", "--exception"});
    UsePort(sim.port(), 115200, 0);
    ASSERT_TRUE(Link().OpenPort());
    EXPECT_EQ(ReadRegisters(26), 2);
    const uint8_t data[4] = {0, 1, 0, 2};
    EXPECT_EQ(WriteRegisters(5, 4, data), 3);
    EXPECT_TRUE(LastTransaction().refused);
  }
  {
    // Refused by another station's exception, or only before the deciding try: not a refusal.
    SimProcess sim({"--baud", "115200", "--exception", "--reply-station", "2"});
    UsePort(sim.port(), 115200, 0);
    ASSERT_TRUE(Link().OpenPort());
    const uint8_t data[4] = {0, 1, 0, 2};
    EXPECT_EQ(WriteRegisters(5, 4, data), 3);
    EXPECT_FALSE(LastTransaction().refused);
  }
  {
    SimProcess sim({"--baud", "115200", "--refuse-write", "5:1"});
    UsePort(sim.port(), 115200, 0);
    ASSERT_TRUE(Link().OpenPort());
    const uint8_t data[4] = {0, 1, 0, 2};
    EXPECT_EQ(WriteRegisters(5, 4, data), 0);
    EXPECT_FALSE(LastTransaction().refused);
  }
  Link().ClosePort();
  // A port that is not open sends nothing on any try.
  const uint8_t data[4] = {0, 1, 0, 2};
  EXPECT_EQ(WriteRegisters(5, 4, data), 5);
  EXPECT_FALSE(LastTransaction().sent);
}

TEST(Requests, SplitAndLateRepliesAtTheSlowestRate) {
  // 1200 baud RTU: the reply comes in two pieces within the settle time.
  SimProcess sim({"--baud", "1200", "--split", "--wire-time"});
  UsePort(sim.port(), 1200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 0);
  Link().ClosePort();
}

TEST(Requests, LateReplyTimesOutAndIsPurged) {
  // A second's delay against three tries of W (50 ms at this rate) and their
  // gaps: every try times out, also on a busy machine, before the first late
  // reply could pass for a later try's.
  SimProcess sim({"--baud", "115200", "--delay", "1000"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 1);
  Link().ClosePort();
}

TEST(Requests, AModuleAnsweringAsAnotherStationIsNotTheOneAsked) {
  SimProcess sim({"--baud", "115200", "--reply-station", "2"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 3);
  EXPECT_EQ(ReadRegisters(26), 2);
  const uint8_t data[4] = {0, 1, 0, 2};
  EXPECT_EQ(WriteRegisters(5, 4, data), 3);
  EXPECT_EQ(sim.Requests().size(), 9u);  // every try answered, none accepted
  Link().ClosePort();
}

TEST(Requests, ProbeRefusesASoftwareVersionBelow0x1000) {
  SimProcess sim({"--baud", "115200", "--reg", "1=0x0FFF"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 3);
  EXPECT_EQ(sim.Requests().size(), 3u);
  Link().ClosePort();
}

// wine does not keep a second opener out; the Win32 backend's tests show both cases.
#ifndef _WIN32
TEST(Requests, OccupiedAndMissingPorts) {
  MessageRecorder rec;
  SetUiLanguage(1);
  SimProcess sim({"--baud", "115200"});
  UsePort(sim.port(), 115200, 0);
  int holder = open(sim.port().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(Link().OpenPortWithMessages(nullptr), 8);
  close(holder);
  Comm().portName = "/dev/tolvane-missing";
  EXPECT_EQ(Link().OpenPortWithMessages(nullptr), 8);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"Specified communication port has been occupied by other tasks!",
                                                   "Specified communication port does not exist!"}));
}
#endif

TEST(Requests, ReportedReadShowsItsFailureOnce) {
  MessageRecorder rec;
  SetUiLanguage(1);
  SimProcess sim({"--baud", "115200", "--silent"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ReadRegistersReported(26), 1);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"Communication timeout! Please Check!"}));
  Link().ClosePort();
}

}  // namespace
}  // namespace tolvane
