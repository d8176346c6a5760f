// Parameter files without widgets: what is written, what is read back, and
// every way a file is refused without touching the window.
#include "models/parameter_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/comm_settings.h"
#include "core/language.h"
#include "models/writable_fields.h"
#include "support/fake_view.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

ModuleParameters Sample() {
  return {.model = "KX-130",
          .typeCode = "0x1501",
          .softwareVersion = "0102",
          .contractVersion = "00ab",
          .hardwareVersion = "0100",
          .mac = "00-12-34-56-78-9A",
          .station = 247,
          .modeCode = 5,
          .baudCode = 0,
          .stopAddress = 10000,
          .stopCode = 15,
          .ip = "10.0.0.255",
          .mask = "255.255.255.0",
          .gateway = "0.0.0.0"};
}

std::string SampleText() { return ParameterFileText(Sample(), {"1.0", "2026-03-04T10:20:30+01:00"}); }

// The sample text with one line replaced (or removed when `with` is empty).
std::string With(const std::string& line, const std::string& with) {
  std::string t = SampleText();
  const std::size_t at = t.find(line + "\n");
  EXPECT_NE(at, std::string::npos) << line;
  return t.replace(at, line.size() + 1, with.empty() ? "" : with + "\n");
}

TEST(ParameterFile, RoundTripAndLenientSpelling) {
  const std::string text = SampleText();
  for (const char* line : {"[Tolvane]\nFormat=1\nVersion=1.0\nSaved=2026-03-04T10:20:30+01:00\n",
                           "; 5: ASCII,7,E,1\nModeCode=5\n", "[Network]\nMACAddress=00-12-34-56-78-9A\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(ReadParameterFile(text).values, Sample());

  // As a user's editor may leave it: CR LF, a byte order mark, other letter
  // case, blanks, leading zeros, keys and sections of its own.
  std::string edited = "\xEF\xBB\xBF[extra]\r\nStation=9\r\n";
  for (char c : With("Station=247", "  station =  0247\nComment=mine"))
    edited += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const auto read = ReadParameterFile(edited + "[NETWORK]\r\nVLAN=4\r\n");
  ASSERT_TRUE(read.values) << read.problem.en;
  EXPECT_EQ(read.values, Sample());

  // By the INI rules of config.ini: a header or a value with a comment after it,
  // and the text in UTF-16LE as a Windows editor saves it.
  std::string commented = With("[Network]", "[Network] ; addresses");
  commented = commented.replace(commented.find("Gateway=0.0.0.0"), 15, "Gateway = 0.0.0.0 ; none");
  std::string utf16 = "\xFF\xFE";
  for (char c : SampleText()) utf16 += {c, '\0'};
  for (const std::string& other : {commented, utf16}) {
    const auto r = ReadParameterFile(other);
    ASSERT_TRUE(r.values) << r.problem.en;
    EXPECT_EQ(r.values, Sample());
  }

  // The mode is only told: a file without a valid one is still good.
  for (const char* mode : {"", "ModeCode=6", "ModeCode=x"}) {
    const auto r = ReadParameterFile(With("ModeCode=5", mode));
    ASSERT_TRUE(r.values) << mode << r.problem.en;
    EXPECT_EQ(r.values->modeCode, -1) << mode;
  }
}

TEST(ParameterFile, EveryRefusalNamesTheProblemInBothLanguages) {
  struct Case {
    std::string text, en, zh;
  };
  const std::string newer = With("Format=1", "Format=2");
  const std::vector<Case> cases = {
      {std::string(kMaxParameterFileBytes + 1, '\n'), "larger than 64 KiB", "大于 64 KiB"},
      {"", "not a Tolvane parameter file", "不是 Tolvane 参数文件"},
      {With("[Tolvane]", "[Other]"), "not a Tolvane parameter file", "不是 Tolvane 参数文件"},
      {With("Format=1", "Format=one"), "\"one\" of [Tolvane] Format in the parameter file is not a format number",
       "Format 的值“one”不是格式编号"},
      {With("Format=1", "Format=1.5"), "\"1.5\" of [Tolvane] Format", "“1.5”不是格式编号"},
      {With("Format=1", "Format=0"), "\"0\" of [Tolvane] Format", "“0”不是格式编号"},
      {With("Format=1", "Format="), "\"\" of [Tolvane] Format", "“”不是格式编号"},
      {With("Format=1", "Format=9999999"), "format 9999999 and was saved by a newer Tolvane", "格式为 9999999"},
      {With("Format=1", "Format=00012345678901234567890"), "format 12345678901234567890 and", "12345678901234567890"},
      {With("Format=1", "Format=1\nFormat=1"), "[Tolvane] Format appears more than once", "出现了不止一次"},
      {"\xFF\xFE[\0", "holds bytes that are not text", "不属于文本的字节"},
      {SampleText() + std::string(1, '\0'), "holds bytes that are not text", "不属于文本的字节"},
      {newer, "format 2 and was saved by a newer Tolvane; this version reads format 1 only", "格式为 2"},
      {SampleText().substr(0, SampleText().size() - 3), "has no line end", "没有结束"},
      {With("Gateway=0.0.0.0", ""), "[Network] Gateway is missing", "缺少 [Network] Gateway"},
      {With("Station=247", "Station=247\nStation=1"), "[Communication] Station appears more than once",
       "[Communication] Station 出现了不止一次"},
      {With("Station=247", "Station=248"), "\"248\" of [Communication] Station", "“248”无效：应为 1～247 的整数"},
      {With("Station=247", "Station=-1"), "\"-1\" of [Communication] Station", "1～247"},
      {With("Station=247", "Station="), "\"\" of [Communication] Station", "1～247"},
      {With("BaudRateCode=0", "BaudRateCode=8"), "from 0 to 7", "[Communication] BaudRateCode"},
      {With("StopRegisterAddress=10000", "StopRegisterAddress=10001"), "from 0 to 10000", "0～10000"},
      {With("StopOperationCode=15", "StopOperationCode=0"), "from 1 to 15", "1～15"},
      {With("StopOperationCode=15", "StopOperationCode=16"), "[Shutdown] StopOperationCode", "1～15"},
      {With("IPAddress=10.0.0.255", "IPAddress=10.0.0.256"), "\"10.0.0.256\" of [Network] IPAddress", "0～255"},
      {With("SubnetMask=255.255.255.0", "SubnetMask=255.255.0"), "four whole numbers from 0 to 255", "0～255"},
      {With("Gateway=0.0.0.0", "Gateway=1.2.3.4.5"), "[Network] Gateway", "0～255"},
      {With("Gateway=0.0.0.0", "Gateway=1..2.3"), "[Network] Gateway", "0～255"},
      // The file's text shows as it is and brings in no mark of its own.
      {With("Gateway=0.0.0.0", "Gateway={rule}"), "\"{rule}\" of [Network] Gateway", "“{rule}”"},
  };
  for (const Case& c : cases) {
    const ParameterFileReading r = ReadParameterFile(c.text);
    EXPECT_FALSE(r.values) << c.en;
    EXPECT_NE(r.problem.en.find(c.en), std::string::npos) << r.problem.en;
    EXPECT_NE(r.problem.zh.find(c.zh), std::string::npos) << r.problem.zh;
    EXPECT_NE(r.problem.en.find("Nothing in the window was changed."), std::string::npos) << r.problem.en;
  }
  // A long value is cut short in the message.
  const auto r = ReadParameterFile(With("Gateway=0.0.0.0", "Gateway=" + std::string(5000, '9')));
  EXPECT_LT(r.problem.en.size(), 300u);
}

// The one table of writable values that the window, files and tolvanectl share.
TEST(WritableFields, CheckWritableAcceptsThePlainFormAndRefusesWithTheFieldsMessage) {
  using F = WritableField;
  struct Case {
    F field;
    std::string text;
    const TextPair* refusal;
    bool wellFormed;
    std::string plain;
  } cases[] = {
      {F::kStation, "0247", nullptr, true, "247"},
      {F::kStation, "+1", nullptr, true, "1"},
      {F::kStation, "248", &txt::kStationRange, true, ""},
      {F::kStation, "0", &txt::kStationRange, true, ""},
      {F::kStation, "2x", &txt::kStationRange, false, ""},
      {F::kStation, "", &txt::kStationRange, false, ""},
      {F::kBaudCode, "7", nullptr, true, "7"},
      {F::kBaudCode, "8", &txt::kBaudCodeRange, true, ""},
      {F::kStopAddress, "0000", nullptr, true, "0"},
      {F::kStopAddress, "-1", &txt::kStopAddrRange, true, ""},
      {F::kStopAddress, "99999999999", &txt::kStopAddrRange, true, ""},
      {F::kStopCode, "15", nullptr, true, "15"},
      {F::kStopCode, "16", &txt::kStopCodeRange, true, ""},
      {F::kIpAddress, "010.0.0.05", nullptr, true, "10.0.0.5"},
      {F::kSubnetMask, "255.255.255.256", &txt::kAddressForm, false, ""},
      {F::kGateway, "1.2.3", &txt::kAddressForm, false, ""},
      {F::kGateway, "1.2.3.-4", &txt::kAddressForm, false, ""},
  };
  for (const Case& c : cases) {
    const WritableCheck r = CheckWritable(c.field, c.text);
    EXPECT_EQ(r.refusal, c.refusal) << c.text;
    EXPECT_EQ(r.wellFormed, c.wellFormed) << c.text;
    EXPECT_EQ(r.text, c.plain) << c.text;
    if (!c.refusal && !RuleFor(c.field).address) {
      EXPECT_EQ(r.number, std::stoi(c.plain));
    }
  }
  // The mode is not in the table, and each field's limits are what its message says.
  EXPECT_EQ(WritableRules().size(), 7u);
  EXPECT_EQ(RefuseNumber(F::kStation, 1), nullptr);
  EXPECT_EQ(RefuseNumber(F::kStation, 247), nullptr);
  EXPECT_EQ(RefuseNumber(F::kStopAddress, 10000), nullptr);
  EXPECT_EQ(RefuseNumber(F::kStopCode, 0), &txt::kStopCodeRange);
}

class ParameterFileWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUiLanguage(1);
    model.SetView(&view, &view);
    model.Initialise();
  }
  test::FakeMainView view;
  MainModel model;
  MessageRecorder rec;
};

TEST_F(ParameterFileWindowTest, LoadNeedsAConnectionFillsTheWritableFieldsAndKeepsTheModulesMode) {
  // Not connected: asked to connect, nothing changed.
  ConnectedFlag().store(0);
  view.screen[kStopCode] = "7";
  const auto unconnected = view.screen;
  EXPECT_FALSE(LoadParameters(model, SampleText()));
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
  EXPECT_EQ(view.screen, unconnected);
  EXPECT_EQ(model.stopCode, 3);

  // The module reported mode 3 (ASCII 7N2); the file's mode is only told.
  struct Case {
    std::string modeLine, message;
  } cases[] = {
      {"ModeCode=3", txt::kParamLoaded.en},
      {"", txt::kParamLoaded.en},
      {"ModeCode=5",
       "The parameters have been loaded. Use the download buttons of the groups to send them to the module! The "
       "file's communication mode is \"5: ASCII,7,E,1\", the module's is \"3: ASCII,7,N,2\": the communication mode "
       "is not loaded, the module keeps \"3: ASCII,7,N,2\"."},
  };
  ConnectedFlag().store(1);
  model.modeCode = 3;
  model.SelectMode(3);
  view.screen[kModuleType] = "KX-130";
  view.screen[kMacAddress] = "AA-BB-CC-DD-EE-FF";
  for (const Case& c : cases) {
    rec.messages.clear();
    ASSERT_TRUE(LoadParameters(model, With("ModeCode=5", c.modeLine))) << c.modeLine;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(view.mode, 3) << c.modeLine;
    EXPECT_EQ(model.modeCode, 3) << c.modeLine;
  }
  EXPECT_EQ(view.screen[kStation], "247");
  EXPECT_EQ(view.screen[kStopAddress], "10000");
  EXPECT_EQ(view.screen[kStopCode], "15");
  EXPECT_EQ(view.screen[kIpAddress], "10.0.0.255");
  EXPECT_EQ(view.screen[kSubnetMask], "255.255.255.0");
  EXPECT_EQ(view.screen[kGateway], "0.0.0.0");
  EXPECT_EQ(view.baud, 0);
  EXPECT_EQ(view.screen[kModuleType], "KX-130");
  EXPECT_EQ(view.screen[kMacAddress], "AA-BB-CC-DD-EE-FF");
  EXPECT_EQ(view.screen[kSoftwareVersion], "");
  // What the download buttons send.
  EXPECT_EQ(model.station, 247);
  EXPECT_EQ(model.stopAddress, 10000);
  EXPECT_EQ(model.stopCode, 15);
  EXPECT_EQ(model.baudCode, 0);

  SetUiLanguage(0);
  rec.messages.clear();
  ASSERT_TRUE(LoadParameters(model, SampleText()));
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_NE(rec.messages[0].text.find("“5: ASCII,7,E,1”，模块的为“3: ASCII,7,N,2”"), std::string::npos)
      << rec.messages[0].text;
  ConnectedFlag().store(0);
}

TEST_F(ParameterFileWindowTest, SaveTakesTheFieldsAndRefusesWhatAFieldCheckWould) {
  view.screen[kStopAddress] = "0100";
  view.screen[kStopCode] = "4";
  view.screen[kIpAddress] = "192.168.1.7";
  view.screen[kSubnetMask] = "255.255.255.0";
  view.screen[kGateway] = "192.168.1.1";
  view.baud = 6;
  auto saved = CollectParameters(model);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->stopAddress, 100);
  EXPECT_EQ(saved->baudCode, 6);
  EXPECT_EQ(saved->station, 1);
  EXPECT_EQ(saved->typeCode, "");  // nothing read yet
  EXPECT_EQ(ProposedParameterFileName(*saved), "module_station1.ini");
  model.typeCode = 0x1501;
  saved->model = "KX-130";
  EXPECT_EQ(ProposedParameterFileName(*saved), "KX-130_station1.ini");
  EXPECT_EQ(CollectParameters(model)->typeCode, "0x1501");
  EXPECT_TRUE(rec.messages.empty());

  struct Refusal {
    Field field;
    std::string text;
    const TextPair& message;
  };
  for (const Refusal& r : {Refusal{kStation, "248", txt::kStationRange}, Refusal{kStopCode, "16", txt::kStopCodeRange},
                           Refusal{kStopAddress, "10001", txt::kStopAddrRange},
                           Refusal{kStopCode, "", txt::kShutdownEmpty}, Refusal{kGateway, "", txt::kNetworkEmpty}}) {
    const auto before = view.screen;
    view.screen[r.field] = r.text;
    rec.messages.clear();
    EXPECT_FALSE(CollectParameters(model)) << r.text;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{r.message.en}) << r.text;
    view.screen = before;
  }
}

TEST_F(ParameterFileWindowTest, AFailedSaveNamesItsCause) {
  const std::string cannot = "The parameter file p.ini cannot be written";
  const struct {
    WriteProblem problem;
    std::string message;
  } cases[] = {
      {WriteProblem::kNoFolder, cannot + ": its folder does not exist!"},
      {WriteProblem::kNoPermission, cannot + ": there is no permission to write there!"},
      {WriteProblem::kDiskFull, cannot + ": the disk is full!"},
      {WriteProblem::kTooLarge, cannot + ": the file already there is larger than 1 MiB"},
      {WriteProblem::kNotAFile, cannot + ": what is there is a folder, a device or a pipe, not a regular file!"},
      {WriteProblem::kOther, cannot + ", please check the folder and its permissions!"},
      {WriteProblem::kNone, "The parameters have been saved to the file!"},
  };

  for (const auto& c : cases) {
    ParameterFileAccess files;
    std::string written;
    files.exists = [](const std::string&) { return false; };
    files.replace = [&](const std::string& path, const std::string&) {
      written = path;
      return c.problem;
    };
    rec.messages.clear();
    EXPECT_EQ(SaveParameterFile(model, Sample(), "p", {"1.0", "now"}, files),
              c.problem == WriteProblem::kNone ? "p.ini" : "");
    EXPECT_EQ(written, "p.ini");
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text.rfind(c.message, 0), 0u) << rec.messages[0].text;
  }
}

// The stamp names its offset itself: the C library's "%z" differs between systems.
TEST(ParameterFile, SavedStampInZonesAcrossTheDateLine) {
  for (const auto& [zone, stamp] : std::vector<std::pair<const char*, std::string>>{
           {"UTC0", "2026-03-04T10:20:30Z"},  // POSIX zones count hours west of Greenwich
           {"XYZ+3:30", "2026-03-04T06:50:30-03:30"},
           {"XYZ-14", "2026-03-05T00:20:30+14:00"}}) {
#ifdef _WIN32
    _putenv_s("TZ", zone);
#else
    setenv("TZ", zone, 1);
#endif
    tzset();
    EXPECT_EQ(SavedStamp(1772619630), stamp) << zone;
  }
}

}  // namespace
}  // namespace tolvane
