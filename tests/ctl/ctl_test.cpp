// tolvanectl run as a process against the simulated coupler, as a script runs it.
// The Windows build runs it under wine against tolvanectl.exe; what only POSIX
// has (signals, descriptors, terminals) is left out there.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/file.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "ctl/ctl_process.h"
#include "link/serial_link.h"
#include "models/parameter_file.h"
#include "platform/settings_store.h"
#include "platform/user_profile.h"
#include "support/sim_process.h"
#include "tolvane_version.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using test::CtlResult;
using test::Json;
using test::ParseJson;
using test::RunCtl;
using test::SimProcess;

// An expected text on standard error, or, when none is expected, nothing there at all.
void ExpectErr(const CtlResult& r, const std::string& want) {
  if (want.empty())
    EXPECT_EQ(r.err, "");
  else
    EXPECT_NE(r.err.find(want), std::string::npos) << r.err;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Ctl : public ::testing::Test {
 protected:
  void SetUp() override {
    do home_ = fs::temp_directory_path() / ("tolvanectl-test-" + std::to_string(std::random_device{}()));
    while (!fs::create_directory(home_));
    ClearProfile();
  }
  void TearDown() override {
    ClearProfile();
    fs::remove_all(home_);
  }

  // English whatever config.ini beside the build's programs says, and a profile of the test's own.
  std::vector<std::string> Env() const { return {"XDG_CONFIG_HOME=" + home_.string()}; }
  CtlResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--lang", "en"});
    return RunCtl(args, Env());
  }
  // The simulator's port at its rate, station and mode.
  CtlResult At(const SimProcess& sim, const std::string& baud, const std::string& station,
               std::vector<std::string> args) {
    args.insert(args.begin(), {"-p", sim.port(), "-b", baud, "-s", station});
    return Run(args);
  }
  fs::path Profile() const { return home_ / "tolvane" / "tolvane.ini"; }
  // The profile tolvanectl uses: the test's own file here, the registry key of
  // the wine prefix on Windows (which the tests of this program take in turn).
  std::unique_ptr<ProfileStore> Stored() const {
#ifdef _WIN32
    return OpenUserProfile();
#else
    return std::make_unique<IniProfileStore>(Profile().string());
#endif
  }
  // Its settings as "KEY=value" lines; empty when nothing is stored.
  std::string ProfileText() const {
    std::string text;
    const auto store = Stored();
    for (const char* key : kProfileKeys)
      if (const std::string v = store->Read(kProfileSection, key); !v.empty())
        text += std::string(key) + "=" + v + "\n";
    return text;
  }
  // Each test's folder holds its own profile file; the registry key is one for all.
  void ClearProfile() const {
#ifdef _WIN32
    const auto store = Stored();
    for (const char* key : kProfileKeys) store->Write(kProfileSection, key, "");  // empty reads as unset
    store->Commit();
#endif
  }
  // A parameter file as the window saves it, with `edit` applied to its text.
  std::string File(const std::string& name, const std::function<void(std::string&)>& edit = {}) const {
    ModuleParameters v;
    v.ip = "10.1.1.1";
    v.mask = "255.255.0.0";
    v.gateway = "10.1.0.1";
    std::string text = ParameterFileText(v, {"1.0", "2026-01-01T00:00:00+00:00"});
    if (edit) edit(text);
    const fs::path path = home_ / name;
    std::ofstream(path) << text;
    return path.string();
  }

  static constexpr const char* kProfileKeys[] = {"REM_ComPortName", "REM_StaNum",    "REM_BaudRate", "REM_Parity",
                                                 "REM_TransType",   "REM_DataBytes", "REM_StopBytes"};
  fs::path home_;
};

const std::vector<std::string> kProbeKeys{"found",   "probes", "port",   "station", "baud",
                                          "framing", "data",   "parity", "stop",    "model"};

TEST_F(Ctl, ProbeIdentifiesTheModuleInTextAndJson) {
  SimProcess sim({"--baud", "115200", "--mode", "2", "--station", "3"});
  CtlResult r = At(sim, "115200", "3", {"--framing", "rtu", "--data", "8", "--parity", "even", "--stop", "1", "probe"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "KX-130 at " + sim.port() + ", station 3, 115200 baud, RTU 8E1\n");

  r = At(sim, "115200", "3", {"--parity", "even", "--stop", "1", "--json", "probe"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = ParseJson(r.out);
  ASSERT_TRUE(j.valid()) << r.out;
  EXPECT_EQ(j.Keys(), kProbeKeys);
  EXPECT_EQ(j["found"].text, "true");
  EXPECT_EQ(j["probes"].Number(), 1);
  EXPECT_EQ(j["port"].text, sim.port());
  EXPECT_EQ(j["framing"].text, "rtu");
  EXPECT_EQ(j["parity"].text, "even");
  EXPECT_EQ(j["model"].text, "KX-130");
  // Only the identification went out: register 0 and 1.
  ASSERT_EQ(sim.Requests().size(), 2u);
  EXPECT_EQ(sim.Requests()[0].substr(0, 17), "03 03 00 00 00 02");
}

TEST_F(Ctl, ProbeWithoutAnAnswerOrWithBadRepliesFails) {
  SimProcess silent({"--silent"});
  CtlResult r = At(silent, "115200", "1", {"--json", "probe"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Failed to connect, please reset!"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Communication timeout! Please Check!"), std::string::npos) << r.err;
  const Json j = ParseJson(r.out);
  std::vector<std::string> failedKeys = kProbeKeys;
  failedKeys.push_back("message");  // why, for a script that does not read stderr
  EXPECT_EQ(j.Keys(), failedKeys);
  EXPECT_EQ(j["found"].text, "false");
  EXPECT_EQ(j["model"].kind, Json::kNull);
  EXPECT_NE(j["message"].text.find("Communication timeout! Please Check!"), std::string::npos) << r.out;
  EXPECT_EQ(silent.Requests().size(), 3u);  // the probe's three tries

  SimProcess garbled({"--baud", "115200", "--bad-crc"});
  r = At(garbled, "115200", "1", {"probe"});
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("Check error!"), std::string::npos) << r.err;
}

TEST_F(Ctl, ScanFindsTheModuleOnTheTwelfthProbeAndSavesOnlyWhenAsked) {
  // 19200 baud ASCII 7E1: after the six formats at 9600 and five at 19200.
  SimProcess sim({"--baud", "19200", "--mode", "5", "--station", "7"});
  CtlResult r = Run({"-p", sim.port(), "-s", "7", "scan", "--save", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = ParseJson(r.out);
  ASSERT_TRUE(j.valid()) << r.out;
  std::vector<std::string> keys = kProbeKeys;
  keys.push_back("saved");
  EXPECT_EQ(j.Keys(), keys);
  EXPECT_EQ(j["saved"].text, "true");
  EXPECT_EQ(j["probes"].Number(), 12);
  EXPECT_EQ(j["station"].Number(), 7);
  EXPECT_EQ(j["baud"].Number(), 19200);
  EXPECT_EQ(j["framing"].text, "ascii");
  EXPECT_EQ(j["data"].Number(), 7);
  EXPECT_EQ(j["parity"].text, "even");
  EXPECT_EQ(j["stop"].Number(), 1);
  EXPECT_EQ(r.err, "");  // stderr is no terminal: no progress
  const std::string saved = ProfileText();
  for (const char* line : {"REM_ComPortName=", "REM_StaNum=7", "REM_BaudRate=19200", "REM_Parity=2", "REM_TransType=0",
                           "REM_DataBytes=7", "REM_StopBytes=1"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;

  // The stored settings are now the defaults of every command; the profile stays as it was.
  r = Run({"probe"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "KX-130 at " + sim.port() + ", station 7, 19200 baud, ASCII 7E1\n");
  EXPECT_EQ(ProfileText(), saved);
}

// A module at an unknown station: one try per silent station, then the probe that
// identifies it; --all goes on to the end of the range and lists each module.
TEST_F(Ctl, ScanOverStationsFindsTheModuleWithOneTryPerSilentStation) {
  SimProcess sim({"--station", "201", "--baud", "19200", "--mode", "5"});
  const std::vector<std::string> line{"-b", "19200",    "--framing", "ascii",  "--data",
                                      "7",  "--parity", "even",      "--stop", "1"};
  std::vector<std::string> args{"-p", sim.port(), "scan", "--stations", "1-247", "--save", "--json"};
  args.insert(args.end(), line.begin(), line.end());
  const auto start = std::chrono::steady_clock::now();
  CtlResult r = Run(args);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(r.status, 0) << r.err;
  Json j = ParseJson(r.out);
  EXPECT_EQ(j["station"].Number(), 201) << r.out;
  EXPECT_EQ(j["framing"].text, "ascii");
  EXPECT_EQ(j["probes"].Number(), 201);
  EXPECT_NE(ProfileText().find("REM_StaNum=201"), std::string::npos);
  // 1..200 once each, 201 once and once more for the identification.
  EXPECT_EQ(sim.Requests().size(), 202u);
  // Each silent station was waited for, W (100 ms) less a timer's millisecond: a
  // floor, which no load on the machine can break. The bound is the benchmark's.
  EXPECT_GE(took, 200 * std::chrono::milliseconds(99));

  // Only the framing and parity given: Auto Link's eight rates, 200 and 201 at
  // each; the stored station (201) first, so found on the sixth pair, then on to the end.
  r = Run(
      {"-p", sim.port(), "--json", "scan", "--stations", "200-201", "--all", "--framing", "ascii", "--parity", "even"});
  ASSERT_EQ(r.status, 0) << r.err;
  j = ParseJson(r.out);
  ASSERT_EQ(j.kind, Json::kArray) << r.out;
  ASSERT_EQ(j.items.size(), 1u);
  EXPECT_EQ(j.items[0].Keys(),
            (std::vector<std::string>{"station", "baud", "framing", "data", "parity", "stop", "model"}));
  EXPECT_EQ(j.items[0]["model"].text, "KX-130");
  EXPECT_EQ(sim.Requests().size(), 202u + 8 * 2 + 1);

  // Nothing at these stations: exit 1, every pair tried once.
  r = Run({"-p", sim.port(), "scan", "--stations", "1-3", "-b", "19200", "--framing", "ascii", "--parity", "even"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No KX-130 found in this range."), std::string::npos) << r.err;
  EXPECT_EQ(sim.Requests().size(), 202u + 17 + 3);  // one line setting: 19200 ASCII 7E1
}

TEST_F(Ctl, ScanShowsProgressOnATerminalUnlessQuiet) {
#ifdef _WIN32
  GTEST_SKIP() << "a console of its own and an unwritable profile are not made here";
#endif
  SimProcess sim;  // 9600 RTU 8N2: the first probe
  test::CtlProcess shown({"--lang", "en", "-p", sim.port(), "scan"}, Env(), /*errOnTerminal=*/true);
  CtlResult r = shown.Finish();
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("probe 1/48: 9600 baud, RTU 8N2"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "KX-130 at " + sim.port() + ", station 1, 9600 baud, RTU 8N2\nFound on probe 1 of 48.\n");
  EXPECT_FALSE(fs::exists(Profile()));  // no --save

  // Over a station range: the pair just tried, and how many of how many.
  test::CtlProcess range({"--lang", "en", "-p", sim.port(), "-s", "2", "scan", "--stations", "1-3", "-b", "9600",
                          "--framing", "rtu", "--parity", "none", "--stop", "2"},
                         Env(), true);
  r = range.Finish();
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("probe 1/3: station 2, 9600 baud, RTU 8N2"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("probe 2/3: station 1, 9600 baud, RTU 8N2"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "KX-130 at " + sim.port() + ", station 1, 9600 baud, RTU 8N2\n");

  test::CtlProcess quiet({"--lang", "en", "-q", "-p", sim.port(), "scan"}, Env(), true);
  r = quiet.Finish();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");

  // A profile that cannot be written: found, but not reported as saved.
  fs::create_directories(Profile());
  r = Run({"-p", sim.port(), "scan", "--save", "--json"});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(ParseJson(r.out)["saved"].text, "false") << r.out;
  EXPECT_NE(ParseJson(r.out)["message"].text.find("The settings could not be saved to"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("The settings could not be saved to"), std::string::npos) << r.err;
}

TEST_F(Ctl, ReadShowsTheWindowsTexts) {
  SimProcess sim({"--baud", "115200", "--station", "9", "--reg", "1=0x10ab", "--reg", "24=171", "--reg", "3=5", "--reg",
                  "12=0x12C0"});
  // ASCII 7E1 (an address register's high byte is ignored).
  const std::vector<std::string> ascii{"--framing", "ascii", "--data", "7", "--parity", "even", "--stop", "1"};
  std::vector<std::string> args = ascii;
  args.push_back("read");
  CtlResult r = At(sim, "115200", "9", args);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line :
       {"Module type: KX-130\n", "Software major version: 10ab\n", "Contract software version: 00ab\n",
        "Station No: 9\n", "Communication mode: 5: ASCII,7,E,1\n", "Baud rate: 7: 115200\n",
        "IP address: 192.168.1.170\n", "Mac address: 00-12-34-56-78-9A\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;

  args.insert(args.begin(), "--json");
  r = At(sim, "115200", "9", args);
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = ParseJson(r.out);
  ASSERT_TRUE(j.valid()) << r.out;
  EXPECT_EQ(j.Keys(), (std::vector<std::string>{"model", "type_code", "software_version", "contract_version",
                                                "hardware_version", "station", "comm_mode", "baud", "stop_register",
                                                "stop_code", "ip", "mask", "gateway", "mac"}));
  EXPECT_EQ(j["software_version"].text, "10ab");
  EXPECT_EQ(j["comm_mode"]["code"].Number(), 5);
  EXPECT_EQ(j["comm_mode"]["text"].text, "5: ASCII,7,E,1");
  EXPECT_EQ(j["baud"]["text"].text, "7: 115200");
  EXPECT_EQ(j["stop_register"].Number(), 8192);
  EXPECT_EQ(j["mac"].text, "00-12-34-56-78-9A");
}

TEST_F(Ctl, WritesLandInTheModulesRegisters) {
  SimProcess sim({"--baud", "115200", "--station", "5"});
  {
    const auto store = Stored();
    store->Write(kProfileSection, "REM_StaNum", "5");
    ASSERT_TRUE(store->Commit());
  }
  const std::string profileBefore = ProfileText();
  ASSERT_EQ(profileBefore, "REM_StaNum=5\n");

  CtlResult r =
      At(sim, "115200", "5", {"set-network", "--ip", "10.0.0.007", "--mask", "255.0.0.0", "--gateway", "10.0.0.1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Parameter download successful!\n");
  auto regs = sim.Registers();
  EXPECT_EQ(std::vector<uint16_t>(regs.begin() + 12, regs.begin() + 24),
            (std::vector<uint16_t>{10, 0, 0, 7, 255, 0, 0, 0, 10, 0, 0, 1}));

  r = At(sim, "115200", "5", {"--json", "set-shutdown", "--address", "0100", "--code", "15"});
  EXPECT_EQ(r.status, 0) << r.err;
  const Json j = ParseJson(r.out);
  EXPECT_EQ(j.Keys(), (std::vector<std::string>{"ok", "message"}));
  EXPECT_EQ(j["ok"].text, "true");
  EXPECT_EQ(j["message"].text, "Parameter download successful!");
  regs = sim.Registers();
  EXPECT_EQ(regs[5], 100);
  EXPECT_EQ(regs[6], 15);

  // The mode is the module's own, read right before the write; --mode only confirms it.
  r = At(sim, "115200", "5", {"set-comm", "--new-station", "12", "--mode", "0", "--new-baud", "38400"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "The command to modify communication parameters has been sent. Please reconnect the device!\n");
  regs = sim.Registers();
  EXPECT_EQ(regs[2], 12);
  EXPECT_EQ(regs[3], 0);
  EXPECT_EQ(regs[4], 5);

  r = At(sim, "115200", "5", {"--json", "restore-factory", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ParseJson(r.out)["message"].text,
            "The factory reset command has been sent. Please power off and restart the device before reconnecting!");
  regs = sim.Registers();
  EXPECT_EQ(std::vector<uint16_t>(regs.begin() + 2, regs.begin() + 7), (std::vector<uint16_t>{1, 0, 7, 8192, 3}));
  EXPECT_EQ(std::vector<uint16_t>(regs.begin() + 12, regs.begin() + 16), (std::vector<uint16_t>{192, 168, 1, 170}));

  // Each command identified the module first, then wrote in the window's order.
  std::vector<std::string> starts;
  for (const std::string& rq : sim.Requests()) starts.push_back(rq.substr(3, 11));
  EXPECT_EQ(starts,
            (std::vector<std::string>{"03 00 00 00", "10 00 0C 00", "10 00 10 00", "10 00 14 00", "03 00 00 00",
                                      "10 00 05 00", "03 00 00 00", "03 00 00 00", "10 00 02 00", "03 00 00 00",
                                      "10 00 05 00", "10 00 0C 00", "10 00 10 00", "10 00 14 00", "10 00 02 00"}));
  EXPECT_EQ(ProfileText(), profileBefore);
}

// One module's file commissions the next: everything the file holds but what
// the command line names, while the second module keeps its own identity, MAC
// and communication mode.
TEST_F(Ctl, SaveThenApplyCopiesOneModuleToAnother) {
  SimProcess first({"--baud", "115200", "--station", "3", "--reg", "5=100", "--reg", "6=7", "--reg", "20=10", "--reg",
                    "8=0x0AAA", "--reg", "25=0x0309"});
  SimProcess second({"--baud", "115200", "--mode", "2"});  // RTU 8E1
  const std::string file = (home_ / "first.ini").string();
  CtlResult r = At(first, "115200", "3", {"save", file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "The parameters have been saved to the file!\n");
  // The window's loader takes it.
  const ParameterFileReading read = ReadParameterFile(ReadAll(file));
  ASSERT_TRUE(read.values) << read.problem.en;
  EXPECT_EQ(read.values->stopCode, 7);
  EXPECT_EQ(read.values->mask, "255.255.255.0");

  const std::vector<std::string> overrides{"--parity", "even",          "--stop", "1",    "apply",
                                           file,       "--new-station", "9",      "--ip", "10.0.0.9"};
  std::vector<std::string> dry = overrides;
  dry.push_back("--dry-run");
  const auto before = second.Registers();
  r = At(second, "115200", "1", dry);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("registers 12-15 (IP address): 10 0 0 9\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("registers 2-4 (Communication Parameter Setting): 9 2 7\n"), std::string::npos) << r.out;
  EXPECT_EQ(second.Requests().size(), 2u);  // the probe and the read
  EXPECT_EQ(second.Registers(), before);

  std::vector<std::string> json = overrides;
  json.insert(json.begin(), "--json");
  r = At(second, "115200", "1", json);
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = ParseJson(r.out);
  EXPECT_EQ(j.Keys(), (std::vector<std::string>{"ok", "message", "dry_run", "writes"})) << r.out;
  ASSERT_EQ(j["writes"].items.size(), 5u) << r.out;
  std::vector<std::string> order;
  for (const Json& w : j["writes"].items) {
    order.push_back(w["range"].text);
    EXPECT_EQ(w["ok"].text, "true");
    EXPECT_EQ(w["registers"].items.size(), w["values"].items.size());
  }
  EXPECT_EQ(order, (std::vector<std::string>{"shutdown", "ip", "mask", "gateway", "communication"}));

  auto expected = first.Registers();
  const auto got = second.Registers();
  // The station given, the second module's own mode, its identity and MAC.
  expected[2] = 9;
  expected[3] = 2;
  for (int i : {0, 1, 7, 8, 9, 10, 11, 24, 25}) expected[i] = before[i];
  for (int i = 0; i < 4; ++i) expected[12 + i] = std::array<uint16_t, 4>{10, 0, 0, 9}[i];
  EXPECT_EQ(got, expected);
}

TEST_F(Ctl, AFailedWriteStopsTheCommandAndKeepsEarlierWrites) {
  SimProcess sim({"--baud", "115200", "--refuse-write", "16:3"});
  CtlResult r = At(sim, "115200", "1",
                   {"--json", "set-network", "--ip", "10.1.2.3", "--mask", "255.255.0.0", "--gateway", "10.1.0.1"});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(ParseJson(r.out)["ok"].text, "false");
  EXPECT_NE(r.err.find("Communication error, please check!"), std::string::npos) << r.err;
  const auto regs = sim.Registers();
  EXPECT_EQ(regs[15], 3);    // the address went in
  EXPECT_EQ(regs[16], 255);  // the mask and the gateway did not change
  EXPECT_EQ(regs[20], 192);
}

TEST_F(Ctl, ABadValueOrBadUsageSendsNothing) {
  SimProcess sim({"--baud", "115200"});
  const std::string good = File("good.ini");
  const std::string station =
      File("station.ini", [](std::string& t) { t.replace(t.find("Station=1"), 9, "Station=300"); });
  const std::string newer = File("newer.ini", [](std::string& t) { t.replace(t.find("Format=1"), 8, "Format=2"); });
  const std::string huge = File("huge.ini", [](std::string& t) { t.resize(1 << 20 | 1, '\n'); });
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      // A file that save could not write costs the module no request either, and its cause is named.
      {{"save", (home_ / "missing" / "p.ini").string()}, "p.ini cannot be written: its folder does not exist!"},
      {{"save", huge}, "huge.ini cannot be written: the file already there is larger than 1 MiB"},
      {{"save", home_.string()}, "cannot be written: what is there is a folder, a device or a pipe"},
      // A parameter file is refused as the window refuses to load it, before the port is opened.
      {{"apply", (home_ / "none.ini").string()}, "none.ini: The file cannot be read"},
      {{"apply", station}, "The value \"300\" of [Communication] Station in the parameter file is not valid"},
      {{"apply", newer}, "reads format 1 only. Nothing was sent to the module."},
      {{"apply", good, "--new-station", "0"}, "--new-station 0: The Value of Station number"},
      {{"apply", good, "--gateway", "1.2.3"}, "--gateway 1.2.3"},
      {{"apply", good, "--mode", "0"}, "--mode: The option does not belong to this command."},
      {{"apply"}, "apply: The command needs a file name."},
      {{"save", good, "other.ini"}, "other.ini: Unexpected argument."},
      {{"save", home_.string()}, "cannot be written"},  // not a regular file
      {{"set-shutdown", "--address", "10001", "--code", "3"}, "The Value is out of range,Data Range is :0～10000!"},
      {{"set-shutdown", "--address", "-1", "--code", "3"}, "Data Range is :0～10000!"},
      {{"set-shutdown", "--address", "10", "--code", "0"}, "The Value  is out of range,Data Range is :1～15!"},
      {{"set-shutdown", "--address", "10"}, "The shutdown parameter cannot be empty, please check!"},
      {{"set-shutdown", "--address", "1x", "--code", "3"}, "--address 1x: Not a whole number."},
      {{"set-comm", "--new-station", "248", "--mode", "0", "--new-baud", "9600"}, "Data Range is :1～247!"},
      {{"set-comm", "--new-station", "2", "--mode", "6", "--new-baud", "9600"}, "Data Range is :0～5!"},
      {{"set-comm", "--new-station", "2", "--mode", "1", "--new-baud", "14400"}, "The baud rate must be"},
      {{"set-network", "--ip", "1.2.3.256", "--mask", "255.0.0.0", "--gateway", "1.0.0.1"}, "--ip 1.2.3.256"},
      {{"set-network", "--ip", "1.2.3.4"}, "Network configuration cannot be empty, please check!"},
      {{"restore-factory"}, "add --yes to go ahead"},
      {{"-s", "0", "probe"}, "-s 0: The Value of Station number"},
      {{"--parity", "mark", "probe"}, "The parity must be none, odd or even."},
      {{"probe", "--ip", "1.2.3.4"}, "--ip: The option does not belong to this command."},
      {{"probe", "--bogus"}, "--bogus: Unknown option."},
      {{"frobnicate"}, "frobnicate: Unknown command."},
      {{}, "No command given."},
      // A repeated option is refused, not silently overridden.
      {{"set-comm", "--new-station", "5", "--new-baud", "9600", "--new-station", "6"},
       "--new-station: The option may be given only once."},
      {{"set-shutdown", "--address", "10", "--code", "3", "--address", "20"},
       "--address: The option may be given only once."},
      {{"-p", "/dev/ttyS1", "probe"}, "-p: The option may be given only once."},
      {{"-p=/dev/ttyX", "probe"}, "-p=/dev/ttyX: A short option's value follows it directly or after a blank"},
      {{"--port", "--json", "probe"}, "--port: The option needs a value."},
      {{"set-comm", "--new-station", "2"}, "--new-baud: The command needs this option."},
      {{"scan", "-b", "9600"}, "-b: scan tries every baud rate and frame format itself"},
      {{"scan", "--framing", "rtu"}, "--framing: scan tries every"},
      {{"--data", "8", "scan"}, "--data: scan tries every"},
      {{"scan", "--parity=odd"}, "--parity: scan tries every"},
      {{"scan", "--stop", "2"}, "--stop: scan tries every"},
      {{"scan", "--stations", "0-5"}, "--stations 0-5: expected a station 1..247"},
      {{"scan", "--stations", "9-3"}, "--stations 9-3: expected a station"},
      {{"scan", "--stations", "248"}, "--stations 248: expected a station"},
      {{"scan", "--stations", "195,201"}, "--stations 195,201: expected a station"},
      {{"scan", "--all"}, "--all: --all applies to scan --stations only."},
      {{"scan", "--stations", "1-3", "--framing", "rtu", "--data", "7"}, "the line settings given match none"},
  };
  for (const auto& [args, message] : cases) {
    // The simulator's port, unless the case is about the port option itself.
    std::vector<std::string> all;
    if (std::none_of(args.begin(), args.end(), [](const std::string& a) { return a.rfind("--port", 0) == 0; }))
      all = {"-p", sim.port()};
    all.insert(all.end(), args.begin(), args.end());
    const CtlResult r = Run(all);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
  EXPECT_TRUE(sim.Requests().empty());

  const CtlResult j = Run({"--json", "-p", sim.port(), "set-shutdown", "--address", "5", "--code", "16"});
  EXPECT_EQ(j.status, 2);
  EXPECT_EQ(ParseJson(j.out)["ok"].text, "false");
}

#ifndef _WIN32
// A link another user planted in a shared sticky folder (/tmp, say) under the
// name a save is about to use leads nowhere, even for the administrator.
TEST_F(Ctl, SaveFollowsNoLinkPlantedInASharedFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "only the administrator can plant a link of another user";
  SimProcess sim({"--baud", "115200"});
  const fs::path shared = home_ / "shared", precious = home_ / "precious.conf";
  fs::create_directory(shared);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  std::ofstream(precious) << "root's own\n";
  fs::create_symlink(precious, shared / "evil.ini");
  ASSERT_EQ(lchown((shared / "evil.ini").c_str(), 4321, 4321), 0);
  const CtlResult r = At(sim, "115200", "1", {"save", (shared / "evil.ini").string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("evil.ini cannot be written: there is no permission to write there!"), std::string::npos)
      << r.err;
  EXPECT_EQ(ReadAll(precious), "root's own\n");
  EXPECT_TRUE(fs::is_symlink(shared / "evil.ini"));
  EXPECT_TRUE(sim.Requests().empty());
}
#endif

TEST_F(Ctl, APortThatIsMissingOrBusyCannotBeOpened) {
  // The JSON of each command's failure: the probe's object, and --all's list even when empty.
  const struct {
    std::vector<std::string> args;
    std::string shape;
  } missing[] = {
      {{"probe"}, "found false"},
      {{"scan", "--stations", "6", "-b", "19200"}, "found false, station null"},
      {{"scan", "--stations", "6", "--all", "-b", "19200"}, "[]"},
  };
  CtlResult r;
  for (const auto& m : missing) {
    SCOPED_TRACE(m.args[0] + " " + m.shape);
    std::vector<std::string> args{"-p", home_.string() + "/nothing-here", "--json"};
    args.insert(args.end(), m.args.begin(), m.args.end());
    r = Run(args);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("Specified communication port does not exist!"), std::string::npos) << r.err;
    const Json j = ParseJson(r.out);
    const std::string shape = j.kind == Json::kArray             ? r.out.substr(0, r.out.find('\n'))
                              : j["station"].kind == Json::kNull ? "found " + j["found"].text + ", station null"
                                                                 : "found " + j["found"].text;
    EXPECT_EQ(shape, m.shape) << r.out;
  }

#ifdef _WIN32
  return;  // wine lends a port opened without sharing to a second process, Windows does not
#endif
  SimProcess sim;
  test::UsePort(sim.port(), 9600, 1);
  ASSERT_TRUE(Link().OpenPortBare());  // as the window holds its port
  r = Run({"-p", sim.port(), "set-shutdown", "--address", "1", "--code", "1"});
  Link().ClosePort();
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Specified communication port has been occupied by other tasks!"), std::string::npos) << r.err;
  EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(Ctl, LanguageComesFromTheWindowsConfigIniUnlessGiven) {
  // A copy of the program with the window's config.ini beside it, as installed.
  const std::string program = (home_ / fs::path(TOLVANE_CTL_PATH).filename()).string();
  fs::copy_file(TOLVANE_CTL_PATH, program);
  std::ofstream(home_ / "config.ini") << "[System]\nLanguageType=0\n";
  const std::string config = ReadAll(home_ / "config.ini");
  CtlResult r = test::CtlProcess({"set-shutdown", "--address", "1"}, Env(), false, program).Finish();
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("停机参数不能为空,请检查！"), std::string::npos) << r.err;
  r = test::CtlProcess({"--lang", "en", "set-shutdown", "--address", "1"}, Env(), false, program).Finish();
  EXPECT_NE(r.err.find("The shutdown parameter cannot be empty"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(home_ / "config.ini"), config);
  fs::remove(home_ / "config.ini");
  r = test::CtlProcess({"--help"}, Env(), false, program).Finish();
  EXPECT_EQ(r.out.rfind("Usage: tolvanectl", 0), 0u) << r.out;
  EXPECT_FALSE(fs::exists(home_ / "config.ini"));
}

TEST_F(Ctl, PortsHelpAndVersion) {
  std::vector<std::string> env = Env();
#ifdef _WIN32
  // The bench's device map ends with COM28 and COM29, which no device stands behind.
  const std::string listed = "COM28\tserial port known to the system\nCOM29\tserial port known to the system\n";
  const std::string last2 = "COM28";
  const std::vector<std::string> inHelp{"port name or path (COM3)", "tolvanectl -p COM3 -s 7"};
#else
  env.push_back("TOLVANE_PORTS=/tmp/one:two");
  const std::string listed = "/tmp/one\tlisted in TOLVANE_PORTS\ntwo\tlisted in TOLVANE_PORTS\n";
  const std::string last2 = "/tmp/one";
  const std::vector<std::string> inHelp{"port name or path (ttyUSB0, /dev/ttyUSB0)", "tolvanectl -p ttyUSB0 -s 7"};
#endif
  CtlResult r = RunCtl({"--lang", "en", "ports"}, env);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(listed), std::string::npos) << r.out;
  r = RunCtl({"ports", "--json"}, env);
  const Json j = ParseJson(r.out);
  ASSERT_TRUE(j.valid()) << r.out;
  const auto& ports = j["ports"].items;
  ASSERT_GE(ports.size(), 2u);
  EXPECT_EQ(ports[ports.size() - 2]["name"].text, last2);
  EXPECT_EQ(ports.back().Keys(), (std::vector<std::string>{"name", "description"}));

  r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  for (
      const char* word :
      {"ports",           "probe",        "scan",      "--save",   "read",      "set-network",   "--ip",   "--mask",
       "--gateway",       "set-shutdown", "--address", "--code",   "set-comm",  "--new-station", "--mode", "--new-baud",
       "restore-factory", "--yes",        "save",      "apply",    "--dry-run", "--settle",      "--port", "--station",
       "--baud",          "--framing",    "--data",    "--parity", "--stop",    "--lang",        "--json", "--quiet",
       "--version",       "Exit status"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  for (const char* word : {"--stations", "--all"}) EXPECT_NE(r.out.find(word), std::string::npos) << word;
  for (const std::string& text : inHelp) EXPECT_NE(r.out.find(text), std::string::npos) << text;
  r = Run({"probe", "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("tolvanectl ") + kVersion + "\n");
  r = Run({"--json", "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("{\"name\":\"tolvanectl\",\"version\":\"") + kVersion + "\"}\n");
}

// How the caller leaves the standard descriptors and Ctrl-C, and what the tool
// must do with them: never let the port take a standard descriptor's place,
// report output that was lost, and stop on Ctrl-C as console programs do.
TEST_F(Ctl, FollowsTheConsoleConventions) {
#ifdef _WIN32
  GTEST_SKIP() << "descriptors, signals and terminals as POSIX has them";
#else
  const auto closeFds = [](std::vector<int> fds) {
    return [fds] {
      for (int fd : fds) close(fd);
    };
  };
  const auto stdoutFull = [] { dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO); };
  const auto stdoutPipeClosed = [] {
    int p[2];
    if (pipe(p) == 0) {
      close(p[0]);
      dup2(p[1], STDOUT_FILENO);
    }
    signal(SIGPIPE, SIG_IGN);
  };
  const auto sigintIgnored = [] { signal(SIGINT, SIG_IGN); };
  struct Case {
    const char* what;
    std::vector<std::string> sim, args;
    std::function<void()> inChild;
    const char* interruptAt;  // SIGINT once stderr (a terminal then) shows this
    int status, signal;
    const char* err;
    int requests;  // well-formed requests the simulator must see, -1 any
  };
  const std::vector<Case> cases{
      {"stdout closed", {}, {"read"}, closeFds({1}), nullptr, 0, 0, "", 2},
      {"stdout closed, JSON", {}, {"--json", "probe"}, closeFds({1}), nullptr, 0, 0, "", 1},
      {"stdin and stdout closed", {}, {"read"}, closeFds({0, 1}), nullptr, 0, 0, "", 2},
      {"stderr closed, a message", {"--station", "2"}, {"probe"}, closeFds({2}), nullptr, 1, 0, nullptr, 3},
      {"stdout on a full disk",
       {},
       {"--json", "read"},
       stdoutFull,
       nullptr,
       5,
       0,
       "The command ran without changing the module, but its output was lost.",
       2},
      {"stdout a closed pipe", {}, {"--json", "probe"}, stdoutPipeClosed, nullptr, 5, 0, "its output was lost", 1},
      {"Ctrl-C ignored by the caller",
       {"--silent"},
       {"scan"},
       sigintIgnored,
       "probe 2/48",
       -1,
       SIGTERM,
       "probe 4/48",
       -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimProcess sim(c.sim);
    std::vector<std::string> args{"--lang", "en", "-p", sim.port()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    test::CtlProcess ctl(args, Env(), c.interruptAt != nullptr, TOLVANE_CTL_PATH, c.inChild);
    if (c.interruptAt) {
      ASSERT_TRUE(ctl.WaitForErr(c.interruptAt));
      ctl.Signal(SIGINT);
      // An ignored Ctrl-C leaves the search going; it ends only when killed.
      if (c.signal == SIGTERM && ctl.WaitForErr(c.err)) ctl.Signal(SIGTERM);
    }
    const CtlResult r = ctl.Finish();
    EXPECT_EQ(r.signal, c.signal) << r.err;
    if (!c.signal) {
      EXPECT_EQ(r.status, c.status) << r.err;
    }
    if (c.err) {
      ExpectErr(r, c.err);
    }
    // Nothing but the tool's requests reached the line (a search's ASCII probes
    // would not read as frames of this RTU simulator: only counted cases).
    if (c.requests >= 0) {
      EXPECT_EQ(sim.Requests().size(), static_cast<size_t>(c.requests));
      for (const std::string& line : sim.LogLines()) EXPECT_EQ(line.find("not a frame"), std::string::npos) << line;
    }
  }
#endif
}

// The communication write counts as sent without a checked reply (the module
// may switch before answering), but says whether one came.
TEST_F(Ctl, TheCommunicationWriteSaysWhetherTheModuleConfirmedIt) {
  const std::string file = File("template.ini");
  const std::vector<std::string> setComm{"set-comm", "--new-station", "9", "--new-baud", "9600"};
  const std::string unconfirmed = "The module did not confirm the communication parameter write";
  struct Case {
    std::vector<std::string> sim, args;
    std::string confirmed;  // JSON: the key's value; text: whether the line is there
  } cases[] = {
      {{"--drop-write", "2:3"}, {"--json", "apply", file}, "false"},
      {{}, {"--json", "apply", file}, "true"},
      {{"--drop-write", "2:3"}, {"apply", file}, "false"},
      {{}, {"apply", file}, "true"},
      // The probe, the read, and the module gone before the write's answer.
      {{"--exit-after", "2"}, {"--json"}, "false"},
      {{}, {"--json"}, "true"},
      {{"--drop-write", "2:3"}, {}, "false"},
  };
  for (Case& c : cases) {
    if (c.args.size() < 2) c.args.insert(c.args.end(), setComm.begin(), setComm.end());
    SCOPED_TRACE(c.args[0] + (c.sim.empty() ? "" : " " + c.sim[0]));
    SimProcess sim(c.sim);
    const CtlResult r = At(sim, "9600", "1", c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    const Json j = ParseJson(r.out);
    if (c.args[0] != "--json") {
      EXPECT_EQ(r.out.find(unconfirmed) != std::string::npos, c.confirmed == "false") << r.out;
    } else if (c.args[1] == "apply") {
      // Only the communication range, which may go unanswered, carries the key.
      ASSERT_EQ(j["writes"].items.size(), 5u) << r.out;
      EXPECT_EQ(j["writes"].items[4]["confirmed"].text, c.confirmed) << r.out;
      EXPECT_FALSE(j["writes"].items[3]["confirmed"].valid()) << r.out;
    } else {
      EXPECT_EQ(j.Keys(), (std::vector<std::string>{"ok", "message", "confirmed"})) << r.out;
      EXPECT_EQ(j["confirmed"].text, c.confirmed) << r.out;
    }
  }
}

// Polls the simulator's log until `count` requests whose function code and
// address begin with `start` have come; false at the deadline.
bool AwaitRequests(const SimProcess& sim, const std::string& start, size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  do {
    size_t n = 0;
    for (const std::string& rq : sim.Requests()) n += rq.compare(3, start.size(), start) == 0;
    if (n >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// Ctrl-C stops a command before its next step. It is sent once the simulator
// has logged a request whose answer it holds back (a delay below the tool's
// wait, or tries it leaves unanswered): that is the margin the interrupt has to
// arrive while the tool waits. On Windows it is a real console Ctrl-C.
TEST_F(Ctl, CtrlCStopsTheCommandBeforeItsNextStep) {
  const std::string saved = (home_ / "saved.ini").string(), file = File("template.ini");
  const std::vector<std::string> slow{"--baud", "1200", "--delay", "200"};
  const auto noRequest = [](const std::string& start) {
    return [start](const SimProcess& sim, const CtlResult&) {
      for (const std::string& rq : sim.Requests()) EXPECT_NE(rq.compare(3, start.size(), start), 0) << rq;
    };
  };
  struct Case {
    const char* what;
    std::vector<std::string> sim, args;
    std::string at;  // the request, from its function code on, and how many of them
    size_t count;
    const char* err;
    std::function<void(const SimProcess&, const CtlResult&)> check;
  };
  const std::vector<Case> cases{
      {"during a search",
       {"--silent"},
       {"--json", "scan"},
       "03 00 00 00 02",
       2,
       "User stopped detection!",
       [](const SimProcess&, const CtlResult& r) { EXPECT_EQ(ParseJson(r.out)["found"].text, "false") << r.out; }},
      // The first two tries go unanswered, the third finds the module; nothing is stored.
      {"during the finding probe",
       {"--skip", "2"},
       {"--json", "scan", "--save"},
       "03 00 00 00 02",
       1,
       "User stopped detection!",
       [](const SimProcess& sim, const CtlResult& r) {
         EXPECT_EQ(sim.Requests().size(), 3u);
         EXPECT_EQ(ParseJson(r.out)["saved"].text, "false") << r.out;
       }},
      {"apply between writes",
       slow,
       {"-b", "1200", "--json", "apply", file},
       "10 00 05",
       1,
       "Interrupted: the remaining writes were not sent",
       [&](const SimProcess& sim, const CtlResult& r) {
         noRequest("10 00 02")(sim, r);
         const Json writes = ParseJson(r.out)["writes"];
         ASSERT_EQ(writes.items.size(), 5u) << r.out;
         EXPECT_EQ(writes.items[0]["ok"].text, "true") << r.out;
         EXPECT_EQ(writes.items[4]["ok"].kind, Json::kNull) << r.out;
       }},
      {"save during its read",
       slow,
       {"-b", "1200", "save", saved},
       "03 00 00 00 1A",
       1,
       "Interrupted: the command did not finish; nothing more was sent to the module and no file was written.",
       [&](const SimProcess&, const CtlResult&) { EXPECT_FALSE(fs::exists(saved)); }},
      {"set-comm before its write, JSON",
       slow,
       {"-b", "1200", "--json", "set-comm", "--new-station", "9", "--new-baud", "9600"},
       "03 00 00 00 1A",
       1,
       "Interrupted: the command did not finish",
       [&](const SimProcess& sim, const CtlResult& r) {
         noRequest("10")(sim, r);
         EXPECT_EQ(ParseJson(r.out)["ok"].text, "false") << r.out;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimProcess sim(c.sim);
    std::vector<std::string> args{"--lang", "en", "-p", sim.port()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    test::CtlProcess ctl(args, Env());
    ASSERT_TRUE(AwaitRequests(sim, c.at, c.count));
    ASSERT_TRUE(ctl.Signal(SIGINT));
    const CtlResult r = ctl.Finish();
    EXPECT_EQ(r.status, 130) << r.err;
#ifndef _WIN32
    EXPECT_EQ(r.signal, SIGINT) << r.err;
    // The port is free again at once.
    const int fd = open(sim.port().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
#endif
    ExpectErr(r, c.err);
    EXPECT_EQ(ProfileText(), "");
    c.check(sim, r);
  }
}

// A mode or baud code the module reports outside its table is shown as unknown,
// never saved (nor is an address register's word beyond one octet), and a mode such as this is never written back; the
// mode register's whole word decides.
TEST_F(Ctl, ModuleCodesOutsideTheTables) {
  const std::string saved = (home_ / "saved.ini").string(), file = File("template.ini");
  const auto notSaved = [](const std::string& reg, const std::string& name, const std::string& code) {
    return "Register " + reg + " (" + name + ") of the module holds " + code +
           ", which is not in its list; the parameters were not saved.";
  };
  const auto notOctet = [](const std::string& reg, const std::string& name, const std::string& word) {
    return "Register " + reg + " (" + name + ") of the module holds " + word +
           ", which is not an address octet; the parameters were not saved.";
  };
  const auto unknownMode = [](const std::string& code) {
    return "The module reports the unknown communication mode code " + code + "; nothing was written.";
  };
  const std::vector<std::string> setComm{"set-comm", "--new-station", "9", "--new-baud", "9600"};
  struct Case {
    std::vector<std::string> regs, args;
    int status;
    std::vector<std::string> out;
    std::string err;
  };
  const std::vector<Case> cases{
      {{"4=9"}, {"read"}, 0, {"Communication mode: 0: RTU,8,N,2\nBaud rate: 9 (unknown)\n"}, ""},
      {{"3=6"}, {"read"}, 0, {"Communication mode: 6 (unknown)\nBaud rate: 3: 9600\n"}, ""},
      {{"3=0x0100"}, {"read"}, 0, {"Communication mode: 256 (unknown)\n"}, ""},
      {{"0=0x9999", "3=0x0100", "4=12"},
       {"--json", "read"},
       0,
       {R"({"model":null,"type_code":"0x9999",)",
        R"("comm_mode":{"code":256,"text":null},"baud":{"code":12,"text":null})"},
       ""},
      {{"4=9"}, {"save", saved}, 4, {}, notSaved("4", "Baud rate", "9")},
      {{"3=0x0100"}, {"--json", "save", saved}, 4, {R"({"ok":false,)"}, notSaved("3", "Communication mode", "256")},
      {{"12=300"}, {"save", saved}, 4, {}, notOctet("12", "IP address", "300")},
      {{"23=0x0100"}, {"--json", "save", saved}, 4, {R"({"ok":false,)"}, notOctet("23", "Gateway", "256")},
      {{"3=6"}, {"apply", file}, 4, {}, unknownMode("6")},
      {{"3=0x0100"}, {"--json", "apply", file}, 4, {R"("writes":[)"}, unknownMode("256")},
      {{"3=6"}, setComm, 4, {}, unknownMode("6")},
      {{"3=0x0100"}, setComm, 4, {}, unknownMode("256")},
      // apply writes the file's baud code, not the module's.
      {{"4=9"}, {"apply", file}, 0, {"registers 2-4 (Communication Parameter Setting): 1 0 3\n"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.regs.back() + " " + c.args[c.args[0] == "--json" ? 1 : 0]);
    std::vector<std::string> simArgs;
    for (const std::string& r : c.regs) simArgs.insert(simArgs.end(), {"--reg", r});
    SimProcess sim(simArgs);  // 9600 baud RTU 8N2 whatever registers 3 and 4 hold
    const CtlResult r = At(sim, "9600", "1", c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& text : c.out) EXPECT_NE(r.out.find(text), std::string::npos) << text << " in\n" << r.out;
    ExpectErr(r, c.err);
    EXPECT_FALSE(fs::exists(saved));
    if (c.status == 0) continue;
    for (const std::string& rq : sim.Requests()) EXPECT_NE(rq.substr(3, 2), "10") << rq;
  }
}

// What the module answers decides the outcome, and JSON says no more than it did.
TEST_F(Ctl, TheModulesAnswersDecideTheOutcome) {
  const std::string file = File("template.ini");
  // The simulator's ASCII 7E1 (--mode 5) as line options before the command.
  const auto Ascii = [](std::vector<std::string> command) {
    command.insert(command.begin(), {"--framing", "ascii", "--data", "7", "--parity", "even", "--stop", "1"});
    return command;
  };
  const auto noWrite = [](const SimProcess& sim, const CtlResult&) {
    for (const std::string& rq : sim.Requests()) EXPECT_NE(rq.substr(3, 2), "10") << rq;
  };
  // Every request was taken, and each of the five ranges written exactly once.
  const auto everyWriteOnce = [](const SimProcess& sim, const CtlResult&) {
    size_t writes = 0;
    for (const std::string& rq : sim.Requests())  // in ASCII the function is the digits '1' '0'
      writes += rq.rfind("3A ", 0) == 0 ? rq.substr(9, 5) == "31 30" : rq.substr(3, 2) == "10";
    EXPECT_EQ(writes, 5u);
    for (const std::string& line : sim.LogLines()) EXPECT_EQ(line.find("ignored"), std::string::npos) << line;
  };
  struct Case {
    const char* what;
    std::vector<std::string> sim, args;
    int status;
    const char* err;
    std::function<void(const SimProcess&, const CtlResult&)> check;
  };
  const std::vector<Case> cases{
      {"set-comm refused at the old settings",
       {"--station", "5", "--refuse-write", "2:3"},
       {"-s", "5", "--json", "set-comm", "--new-station", "9", "--new-baud", "9600"},
       4,
       "Communication error, please check!",
       [](const SimProcess& sim, const CtlResult& r) {
         EXPECT_EQ(sim.Registers()[2], 5);
         // The refusal is the module's checked answer: not done, but confirmed.
         const Json j = ParseJson(r.out);
         EXPECT_EQ(j["ok"].text + " " + j["confirmed"].text, "false true") << r.out;
       }},
      {"set-comm --mode other than the module's",
       {"--mode", "1"},
       {"set-comm", "--new-station", "9", "--mode", "2", "--new-baud", "9600", "--parity", "odd", "--stop", "1"},
       2,
       "--mode 2: The module's communication mode is 1: RTU,8,O,1; the mode is never changed.",
       noWrite},
      {"a reply in two pieces, taken once complete", {"--split"}, {"read"}, 0, "", noWrite},
      {"bytes after the reply stay for the next purge", {"--trail", "4:20"}, {"read"}, 0, "", noWrite},
      {"--settle: a reply followed by stray bytes is still the reply",
       {"--trail", "4:20"},
       {"--settle", "read"},
       0,
       "",
       noWrite},
      // A glitch 1 ms after every reply, on a module that ignores a request
      // beginning within 3.5 characters of what it sent last.
      // At 1200 baud the gap is 32 ms, so a busy machine cannot hold the glitch past it.
      {"apply over a glitching line writes each range once",
       {"--baud", "1200", "--trail", "5:1", "--check-silence"},
       {"-b", "1200", "apply", file},
       0,
       "",
       everyWriteOnce},
      {"apply --settle over a glitching line",
       {"--trail", "5:1", "--check-silence"},
       {"--settle", "apply", file},
       0,
       "",
       everyWriteOnce},
      {"read over an echoing line", {"--echo"}, {"read"}, 0, "", noWrite},
      {"apply over an echoing line", {"--echo", "--check-silence"}, {"apply", file}, 0, "", everyWriteOnce},
      {"apply over an echoing line, ASCII",
       {"--echo", "--check-silence", "--mode", "5"},
       Ascii({"apply", file}),
       0,
       "",
       everyWriteOnce},
      {"read --settle over an echoing line, ASCII",
       {"--echo", "--mode", "5"},
       Ascii({"--settle", "read"}),
       0,
       "",
       noWrite},
      {"probe (Link) over an echoing line, ASCII", {"--echo", "--mode", "5"}, Ascii({"probe"}), 0, "", noWrite},
      // The echo comes back at every line setting, garbage after it at the wrong ones.
      {"scan (Auto Link) over an echoing line finds the module where it answers",
       {"--echo", "--noise", "--baud", "19200", "--mode", "5"},
       {"--json", "scan"},
       0,
       "",
       [](const SimProcess&, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         EXPECT_EQ(j["probes"].Number(), 12) << r.out;
         EXPECT_EQ(j["baud"].Number(), 19200) << r.out;
       }},
      {"restore-factory over an echoing line",
       {"--echo", "--reg", "5=1"},
       {"restore-factory", "--yes"},
       0,
       "",
       [](const SimProcess& sim, const CtlResult&) {
         EXPECT_EQ(sim.Registers()[5], 8192);
         for (const std::string& line : sim.LogLines()) EXPECT_EQ(line.find("ignored"), std::string::npos) << line;
       }},
      {"apply stops at a failed write, earlier ones stay",
       {"--refuse-write", "16:3"},
       {"--json", "apply", file},
       4,
       "Communication error, please check!",
       [](const SimProcess& sim, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         std::vector<std::string> oks;
         for (const Json& w : j["writes"].items) oks.push_back(w["ok"].text);
         EXPECT_EQ(oks, (std::vector<std::string>{"true", "true", "false", "null", "null"})) << r.out;
         EXPECT_EQ(sim.Registers()[12], 10);
         EXPECT_EQ(sim.Registers()[20], 192);
       }},
      {"apply --json: a refused communication write is not done, but confirmed",
       {"--refuse-write", "2:3", "--station", "4"},
       {"-s", "4", "--json", "apply", file},
       4,
       "Communication error, please check!",
       [](const SimProcess&, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         ASSERT_EQ(j["writes"].items.size(), 5u) << r.out;
         EXPECT_EQ(j["writes"].items[4]["ok"].text + " " + j["writes"].items[4]["confirmed"].text, "false true")
             << r.out;
       }},
      // The module's port gone after its first request: every later try fails on
      // the port, which ends the search at once.
      {"scan --stations over a port that dies: a port failure, not nothing found",
       {"--station", "50", "--exit-after", "1"},
       {"-s", "1", "--json", "scan", "--stations", "1-100", "-b", "9600", "--framing", "rtu", "--data", "8", "--parity",
        "none", "--stop", "2"},
       4,
       "Operation of serial port failed, stop detection!",
       [](const SimProcess& sim, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         EXPECT_EQ(j["found"].text, "false") << r.out;
         EXPECT_LT(j["probes"].Number(), 4) << r.out;
         EXPECT_EQ(sim.Requests().size(), 1u);
       }},
      {"scan --stations --all over a port that dies: one list",
       {"--station", "50", "--exit-after", "1"},
       {"-s", "1", "--json", "scan", "--stations", "1-100", "--all", "-b", "9600", "--framing", "rtu", "--data", "8",
        "--parity", "none", "--stop", "2"},
       4,
       "Operation of serial port failed, stop detection!",
       [](const SimProcess&, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         EXPECT_EQ(j.kind, Json::kArray) << r.out;
         EXPECT_TRUE(j.items.empty()) << r.out;
       }},
      {"scan --stations finding nothing gives no station",
       {},
       {"--json", "scan", "--stations", "40-42", "-b", "9600", "--framing", "rtu", "--data", "8", "--parity", "none",
        "--stop", "2"},
       1,
       "No KX-130 found in this range.",
       [](const SimProcess& sim, const CtlResult& r) {
         const Json j = ParseJson(r.out);
         EXPECT_EQ(j["found"].text, "false") << r.out;
         EXPECT_EQ(j["station"].kind, Json::kNull) << r.out;
         EXPECT_EQ(sim.Requests().size(), 3u);
       }},
      {"apply: a refused communication write fails",
       {"--refuse-write", "2:3", "--station", "4"},
       {"-s", "4", "apply", file},
       4,
       "Communication error, please check!",
       [](const SimProcess& sim, const CtlResult&) { EXPECT_EQ(sim.Registers()[2], 4); }},
      {"an unknown module's probe",
       {"--reg", "0=0x9999"},
       {"--json", "probe"},
       0,
       "",
       [](const SimProcess&, const CtlResult& r) {
         EXPECT_EQ(ParseJson(r.out)["found"].text, "true") << r.out;
         EXPECT_EQ(ParseJson(r.out)["model"].kind, Json::kNull) << r.out;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SimProcess sim(c.sim);
    std::vector<std::string> args{"-p", sim.port()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CtlResult r = Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    ExpectErr(r, c.err);
    c.check(sim, r);
  }
}

}  // namespace
}  // namespace tolvane
