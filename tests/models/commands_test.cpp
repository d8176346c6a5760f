// Upload and the device commands against the simulated coupler: its request
// log and its registers are the evidence of what was sent.
#include "models/commands.h"

#include <gtest/gtest.h>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/parameter_file.h"
#include "support/fake_view.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::FakeMainView;
using test::MessageRecorder;
using test::SimProcess;
using test::UsePort;

class Commands : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args = {}, uint32_t baud = 115200, uint8_t mode = 0) {
    args.insert(args.begin(), {"--baud", std::to_string(baud), "--mode", std::to_string(mode)});
    sim = std::make_unique<SimProcess>(args);
    UsePort(sim->port(), baud, mode);
    ASSERT_TRUE(Link().OpenPort());
    ConnectedFlag().store(1);
  }
  void SetUp() override {
    SetUiLanguage(1);
    model.SetView(&view, &view);
    model.Initialise();
  }
  void TearDown() override { Link().ClosePort(); }
  std::vector<std::string> Writes() const {
    std::vector<std::string> w;
    for (const auto& r : sim->Requests())
      if (r.rfind("01 10", 0) == 0) w.push_back(r.substr(0, r.size() - 6));  // without the CRC
    return w;
  }
  std::unique_ptr<SimProcess> sim;
  FakeMainView view;
  MainModel model;
  MessageRecorder rec;
};

// The same over a 2-wire line that hands back each request before the reply.
class CommandsLine : public Commands, public ::testing::WithParamInterface<bool> {
 protected:
  std::vector<std::string> Line(std::vector<std::string> args = {}) {
    if (GetParam()) args.push_back("--echo");
    return args;
  }
};
INSTANTIATE_TEST_SUITE_P(PlainOrEcho, CommandsLine, ::testing::Bool());

TEST_F(Commands, UploadShowsTheBlockAndTheLastRowsOnlyAfterTheMessage) {
  // The module's own mode and rate registers are what it talks with: ASCII 7O1 at 57600.
  Start({"--reg", "24=171", "--reg", "6=9"}, 57600, 4);
  std::array<std::string, kFieldCount> atMessage;
  rec.onPresent = [&](const MessageRequest&) { atMessage = view.screen; };
  UploadParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Parameter upload successful!"});
  EXPECT_EQ(atMessage[kStopCode], "");  // still the old texts while the box is up
  EXPECT_EQ(view.screen[kModuleType], "KX-130");
  EXPECT_EQ(view.screen[kSoftwareVersion], "1002");
  EXPECT_EQ(view.screen[kContractVersion], "00ab");
  EXPECT_EQ(view.screen[kHardwareVersion], "0201");
  EXPECT_EQ(view.screen[kMacAddress], "00-12-34-56-78-9A");
  EXPECT_EQ(view.screen[kIpAddress], "192.168.1.170");
  EXPECT_EQ(view.screen[kSubnetMask], "255.255.255.0");  // 0xFF on the wire
  EXPECT_EQ(view.screen[kGateway], "192.168.1.1");
  EXPECT_EQ(view.screen[kStopAddress], "8192");
  EXPECT_EQ(view.screen[kStopCode], "9");
  EXPECT_EQ(view.screen[kStation], "1");
  EXPECT_EQ(view.mode, 4);
  EXPECT_EQ(view.baud, 6);
  EXPECT_EQ(model.stopCode, 9);
  EXPECT_EQ(model.baudCode, 6);
  EXPECT_FALSE(rec.cursorLog.empty());
}

TEST_F(Commands, UploadNeedsAConnection) {
  Start();
  ConnectedFlag().store(0);
  UploadParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
  EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(Commands, FailedReadsLeaveEverythingAsItWas) {
  Start({"--silent"});
  view.screen[kModuleType] = "KX-130";
  model.Take();
  model.stopCode = 7;
  const auto before = view.screen;
  UploadParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Communication timeout! Please Check!"});
  EXPECT_EQ(view.screen, before);
  EXPECT_EQ(model.stopCode, 7);
  ReadAfterConnect(model);
  EXPECT_EQ(rec.messages.size(), 1u);  // silent
  EXPECT_EQ(view.screen, before);
}

TEST_F(Commands, UploadWhenThePortHasGone) {
  Start();
  sim->Stop();
  UploadParameters(model);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"Specified communication port does not exist!",
                                                   "Communication error, please check!"}));
}

TEST_F(Commands, ReadAfterConnectFillsTheWindowWithoutMessages) {
  Start({"--reg", "6=11"});
  ReadAfterConnect(model);
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(view.screen[kStopCode], "11");
  EXPECT_EQ(model.stopCode, 11);
  EXPECT_EQ(view.screen[kModuleType], "KX-130");
}

TEST_F(Commands, ALinkFromTheSettingsDialogIsStoredAndTheModuleRead) {
  test::MemoryProfile profile;
  model.Start(&profile);
  Start({"--reg", "6=11"});
  model.ConnectionDialogEnded(false, true);  // closed by the link, not by OK
  EXPECT_EQ(profile.values["REM_DefaultCom/REM_ComPortName"], sim->port());
  EXPECT_EQ(profile.values["REM_DefaultCom/REM_BaudRate"], "115200");
  EXPECT_EQ(view.screen[kStopCode], "11");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_P(CommandsLine, ShutdownParametersAreCheckedThenWritten) {
  Start(Line());
  view.screen[kStopAddress] = "0000";
  view.screen[kStopCode] = "15";
  WriteShutdownParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Parameter download successful!"});
  EXPECT_EQ(view.screen[kStopAddress], "0");
  EXPECT_EQ(Writes(), std::vector<std::string>{"01 10 00 05 00 02 04 00 00 00 0F"});
  EXPECT_EQ(sim->Registers()[5], 0);
  EXPECT_EQ(sim->Registers()[6], 15);
}

TEST_F(Commands, OutOfRangeShutdownValuesAreRefusedAndNothingIsSent) {
  Start();
  struct Case {
    const char *addr, *code, *message;
    Field focus;
  } cases[] = {{"10001", "3", "The Value is out of range,Data Range is :0～10000!", kStopAddress},
               {"-1", "3", "The Value is out of range,Data Range is :0～10000!", kStopAddress},
               {"5", "0", "The Value  is out of range,Data Range is :1～15!", kStopCode},
               {"5", "16", "The Value  is out of range,Data Range is :1～15!", kStopCode},
               {"", "3", "The shutdown parameter cannot be empty, please check!", kFieldCount}};
  for (const Case& c : cases) {
    rec.messages.clear();
    view.focus.clear();
    model.stopAddress = 8192;
    model.stopCode = 3;
    view.screen[kStopAddress] = c.addr;
    view.screen[kStopCode] = c.code;
    WriteShutdownParameters(model);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{c.message}) << c.addr << "/" << c.code;
    if (c.focus == kStopAddress) {
      EXPECT_EQ(view.screen[kStopAddress], "8192");
    }
    if (c.focus == kStopCode) {
      EXPECT_EQ(view.screen[kStopCode], "3");
    }
    if (c.focus != kFieldCount) {
      EXPECT_EQ(view.focus, std::vector<int>{c.focus});
    }
  }
  EXPECT_TRUE(sim->Requests().empty());
  // An accepted address stays accepted when the code is refused.
  view.screen[kStopAddress] = "200";
  view.screen[kStopCode] = "20";
  WriteShutdownParameters(model);
  EXPECT_EQ(model.stopAddress, 200);
  EXPECT_EQ(model.stopCode, 3);
  EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(Commands, ShutdownValuesAreKeptWhenNotConnected) {
  Start();
  ConnectedFlag().store(0);
  view.screen[kStopAddress] = "77";
  view.screen[kStopCode] = "4";
  WriteShutdownParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
  EXPECT_EQ(model.stopAddress, 77);
  EXPECT_EQ(model.stopCode, 4);
  EXPECT_TRUE(sim->Requests().empty());
}

TEST_F(Commands, ModifyCommParametersWritesAndReaddresses) {
  Start();
  view.screen[kStation] = "2";
  ASSERT_TRUE(model.CheckFields());
  view.mode = 1;
  view.baud = 3;
  ModifyCommParameters(model);
  EXPECT_EQ(Writes(), std::vector<std::string>{"01 10 00 02 00 03 06 00 02 00 01 00 03"});
  EXPECT_EQ(sim->Registers()[2], 2);
  EXPECT_EQ(sim->Registers()[3], 1);
  EXPECT_EQ(Comm().station, 2);
  EXPECT_EQ(Comm().baud, 115200u);  // the line settings stay
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(rec.Texts(),
            std::vector<std::string>{
                "The command to modify communication parameters has been sent. Please reconnect the device!"});
  rec.messages.clear();
  UploadParameters(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
}

TEST_F(Commands, CommParametersCountAsSentUnlessNoTrySentThemOrTheModuleRefused) {
  // A request that went out may have switched the module before it could answer;
  // one that never went out, or that the module refused, changed nothing.
  const std::string sent = "The command to modify communication parameters has been sent. Please reconnect the device!";
  const std::string failed = "Communication error, please check!";
  struct Case {
    std::vector<std::string> sim;
    bool portLostFirst;  // the upload before finds the port gone; the flag is still set
    std::string message;
    int station;
    bool connected;
  } cases[] = {
      {{}, true, failed, 1, true},
      {{"--refuse-write", "2:3"}, false, failed, 1, true},
      {{"--silent"}, false, sent, 2, false},
      // Try 1 reaches the module, which goes away; tries 2 and 3 cannot be sent.
      {{"--exit-after", "0"}, false, sent, 2, false},
      {{"--echo"}, false, sent, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sim.empty() ? "port lost" : c.sim[0]);
    Start(c.sim);
    Comm().station = 1;
    if (c.portLostFirst) {
      sim->Stop();
      UploadParameters(model);
    }
    rec.messages.clear();
    view.screen[kStation] = "2";
    ASSERT_TRUE(model.CheckFields());
    ModifyCommParameters(model);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(Comm().station, c.station);
    EXPECT_EQ(IsConnected(), c.connected);
    if (c.sim.size() == 2 && c.sim[0] == "--refuse-write") {
      EXPECT_EQ(sim->Registers()[2], 1);
    }
    if (!c.connected) {
      rec.messages.clear();
      UploadParameters(model);
      EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
    }
    Link().ClosePort();
  }
}

TEST_F(Commands, LoadedParametersKeepTheModulesModeOnTheWire) {
  Start();
  ReadAfterConnect(model);  // the module talks RTU 8N2: mode 0
  ModuleParameters file;
  file.station = 2;
  file.modeCode = 3;  // ASCII 7N2
  file.baudCode = 7;
  file.ip = "192.168.1.170";
  file.mask = "255.255.255.0";
  file.gateway = "192.168.1.1";
  ASSERT_TRUE(LoadParameters(model, ParameterFileText(file, {"1.0", "2026-01-01T00:00:00Z"})));
  ModifyCommParameters(model);
  EXPECT_EQ(Writes(), std::vector<std::string>{"01 10 00 02 00 03 06 00 02 00 00 00 07"});
  EXPECT_EQ(sim->Registers()[3], 0);
}

TEST_F(Commands, AStationTheModuleReportedOutOfRangeIsNotWrittenBack) {
  Start();
  // Register 2 holds 0xFFFF (written, not yet in effect): the read shows -1.
  const uint8_t minusOne[6] = {0xFF, 0xFF, 0, 0, 0, 3};
  ASSERT_EQ(WriteRegisters(2, sizeof minusOne, minusOne), 0);
  ReadAfterConnect(model);
  ASSERT_EQ(view.screen[kStation], "-1");
  const size_t sent = sim->Requests().size();
  ModifyCommParameters(model);
  EXPECT_EQ(rec.Texts(),
            std::vector<std::string>{"The Value of Station number is out of range,Data Range is :1～247!"});
  EXPECT_EQ(view.focus, std::vector<int>{kStation});
  EXPECT_EQ(sim->Requests().size(), sent);
  EXPECT_EQ(Comm().station, 1);
  EXPECT_TRUE(IsConnected());
}

// A code the module reports outside its table: the communication download
// writes what the lists show, except a mode word beyond one byte, for which the
// first entry only stands in; Save Parameters never puts such a code in a file,
// nor an address register's word beyond one octet.
TEST_F(Commands, ModuleCodesOutsideTheTables) {
  const std::string sent = "The command to modify communication parameters has been sent. Please reconnect the device!";
  const std::string modeWord =
      "Register 3 (Communication mode) of the module holds 256, which is not in the communication mode list; the "
      "list's first entry only stands in for it, and nothing was written. Choose another mode in the list, or "
      "restore the factory settings.";
  const auto notSaved = [](const std::string& reg, const std::string& name, const std::string& code) {
    return "Register " + reg + " (" + name + ") of the module holds " + code +
           ", which is not in its list; the parameters were not saved.";
  };
  const auto notOctet = [](const std::string& reg, const std::string& name, const std::string& word) {
    return "Register " + reg + " (" + name + ") of the module holds " + word +
           ", which is not an address octet; the parameters were not saved.";
  };
  struct Case {
    std::string reg;         // the simulator's register, "N=V"
    bool save;               // Save Parameters, else the communication download
    int pickMode, pickBaud;  // the user's pick in a list after the read, -1 none
    std::vector<std::string> messages;
    std::string write;  // registers 2-4 as written, empty for none; save: the file's baud code
  } cases[] = {
      {"3=0x0100", false, -1, -1, {modeWord}, ""},
      {"3=0x0100", false, 2, -1, {sent}, "00 01 00 02 00 03"},
      {"3=6", false, -1, -1, {sent}, "00 01 00 00 00 03"},
      {"4=9", false, -1, -1, {sent}, "00 01 00 00 00 00"},
      {"3=0x0100", true, -1, -1, {notSaved("3", "Communication mode", "256")}, ""},
      {"3=0x0100", true, 1, -1, {notSaved("3", "Communication mode", "256")}, ""},
      {"3=6", true, -1, -1, {notSaved("3", "Communication mode", "6")}, ""},
      {"4=9", true, -1, -1, {notSaved("4", "Baud rate", "9")}, ""},
      {"4=9", true, -1, 5, {}, "5"},
      {"12=300", true, -1, -1, {notOctet("12", "IP address", "300")}, ""},
      {"19=0x0100", true, -1, -1, {notOctet("19", "Subnet mask", "256")}, ""},
      {"20=255", true, -1, -1, {}, "3"},
      {"3=0", true, -1, -1, {}, "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reg + (c.save ? " save" : " download"));
    // Register 4 outside the table leaves the simulator at 9600 baud.
    Start({"--reg", c.reg}, 9600, 0);
    ASSERT_EQ(ReadAfterConnect(model), kLinkOk);
    rec.messages.clear();
    if (c.pickMode >= 0) view.mode = c.pickMode;
    if (c.pickBaud >= 0) {
      view.baud = c.pickBaud;
      model.OnSelectBaudRate(c.pickBaud);
    }
    if (c.save) {
      const std::optional<ModuleParameters> values = CollectParameters(model);
      EXPECT_EQ(values ? std::to_string(values->baudCode) : std::string(), c.write);
    } else {
      ModifyCommParameters(model);
      const std::vector<std::string> writes = Writes();
      EXPECT_EQ(writes.empty() ? std::string() : writes.back().substr(21), c.write);
      EXPECT_EQ(IsConnected(), writes.empty());
    }
    EXPECT_EQ(rec.Texts(), c.messages);
    Link().ClosePort();
  }
}

TEST_F(Commands, NewCommParametersTakeEffectAndTheModuleAnswersThere) {
  Start({"--apply-now"});
  view.screen[kStation] = "2";
  ASSERT_TRUE(model.CheckFields());
  view.mode = 5;  // ASCII 7E1
  view.baud = 6;  // 57600
  ModifyCommParameters(model);
  EXPECT_EQ(Comm().station, 2);
  EXPECT_EQ(ProbeModule(), 1);  // the old line settings no longer reach it
  UsePort(sim->port(), 57600, 5, 2);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ProbeModule(), 0);
}

TEST_F(Commands, NetworkConfigurationNeedsARead) {
  Start();
  view.screen[kIpAddress] = "10.0.0.5";
  view.screen[kSubnetMask] = "255.0.0.0";
  view.screen[kGateway] = "10.0.0.1";
  DownloadNetworkConfiguration(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Network configuration cannot be empty, please check!"});
  EXPECT_TRUE(sim->Requests().empty());
}

TEST_P(CommandsLine, NetworkConfigurationWritesThreeRanges) {
  Start(Line());
  ReadAfterConnect(model);
  view.screen[kIpAddress] = "10.0.0.5";
  view.screen[kSubnetMask] = "255.255.0.0";
  view.screen[kGateway] = "10.0.0.1";
  DownloadNetworkConfiguration(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Parameter download successful!"});
  EXPECT_EQ(Writes(), (std::vector<std::string>{"01 10 00 0C 00 04 08 00 0A 00 00 00 00 00 05",
                                                "01 10 00 10 00 04 08 00 FF 00 FF 00 00 00 00",
                                                "01 10 00 14 00 04 08 00 0A 00 00 00 00 00 01"}));
  auto regs = sim->Registers();
  EXPECT_EQ(regs[15], 5);
  EXPECT_EQ(regs[17], 255);
  EXPECT_EQ(regs[23], 1);
}

TEST_F(Commands, NetworkConfigurationStopsAtTheFirstFailedWrite) {
  Start({"--drop-write", "16:3"});
  ReadAfterConnect(model);
  view.screen[kIpAddress] = "10.0.0.5";
  DownloadNetworkConfiguration(model);
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Communication error, please check!"});
  auto writes = Writes();
  ASSERT_EQ(writes.size(), 4u);  // the first range once, the second three times, no third
  EXPECT_EQ(sim->Registers()[15], 5);
  EXPECT_EQ(sim->Registers()[19], 0);  // untouched mask
}

TEST_F(Commands, ALateModuleNeverGetsAMissingWriteReportedAsDone) {
  // The module answers 250 ms late, after the 200 ms first-byte wait: each echo
  // reaches the tool while it waits for the next request. The mask write is
  // never received in one run and refused in the other.
  for (const char* fault : {"--drop-write", "--refuse-write"}) {
    SCOPED_TRACE(fault);
    Start({"--delay", "250", fault, "16:3"});
    view.screen[kMacAddress] = "00-12-34-56-78-9A";  // as after a read
    view.screen[kIpAddress] = "192.168.1.170";
    view.screen[kSubnetMask] = "255.255.0.0";
    view.screen[kGateway] = "192.168.1.1";
    rec.messages.clear();
    DownloadNetworkConfiguration(model);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Communication error, please check!"});
    EXPECT_EQ(sim->Registers()[18], 255);  // the mask as it was
    Link().ClosePort();
  }
}

TEST_F(Commands, RestoreFactoryAnsweredNoSendsNothing) {
  Start();
  rec.answer = MsgAnswer::No;
  RestoreFactory(model);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(sim->Requests().empty());
  EXPECT_TRUE(IsConnected());
}

TEST_F(Commands, RestoreFactoryWithASilentModuleOnlyReportsTheError) {
  Start({"--silent"});
  RestoreFactory(model);
  ASSERT_GE(rec.Texts().size(), 2u);
  EXPECT_EQ(rec.Texts()[1], "Communication error, please check!");
  EXPECT_EQ(rec.messages.size(), 2u);
  EXPECT_EQ(sim->Requests().size(), 3u);  // the first write's three tries only
  EXPECT_TRUE(IsConnected());
}

TEST_P(CommandsLine, RestoreFactorySendsTheLastWriteOnceMore) {
  Start(Line({"--drop-write", "2:3", "--reg", "12=10", "--reg", "5=1"}));
  Comm().station = 1;
  RestoreFactory(model);
  ASSERT_GE(rec.Texts().size(), 2u);
  EXPECT_EQ(rec.Texts()[1],
            "The factory reset command has been sent. Please power off and restart the device before reconnecting!");
  auto writes = Writes();
  ASSERT_EQ(writes.size(), 4u + 4u);  // four writes, the last one's three tries fail, its second send lands
  EXPECT_EQ(writes[0], "01 10 00 05 00 02 04 20 00 00 03");
  EXPECT_EQ(writes[1], "01 10 00 0C 00 04 08 00 C0 00 A8 00 01 00 AA");
  EXPECT_EQ(writes[2], "01 10 00 10 00 04 08 00 FF 00 FF 00 FF 00 00");
  EXPECT_EQ(writes[3], "01 10 00 14 00 04 08 00 C0 00 A8 00 01 00 01");
  EXPECT_EQ(writes.back(), "01 10 00 02 00 03 06 00 01 00 00 00 07");
  auto regs = sim->Registers();
  EXPECT_EQ(regs[5], 8192);
  EXPECT_EQ(regs[12], 192);
  EXPECT_EQ(regs[4], 7);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(Comm().station, 1);
  EXPECT_EQ(view.screen[kIpAddress], "");  // the window is not changed
}

}  // namespace
}  // namespace tolvane
