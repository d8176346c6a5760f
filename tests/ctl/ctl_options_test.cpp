// The command line read as the window reads its fields.
#include "ctl/ctl_options.h"

#include <gtest/gtest.h>

#include "core/comm_settings.h"
#include "core/language.h"
#include "ctl/ctl_output.h"
#include "ctl/ctl_run.h"

namespace tolvane::ctl {
namespace {

TEST(CtlOptions, NumbersAndAddressesFollowTheFieldRules) {
  EXPECT_EQ(WholeNumber("007"), 7);
  EXPECT_EQ(WholeNumber("000"), 0);
  EXPECT_EQ(WholeNumber("-5"), -5);
  EXPECT_EQ(WholeNumber("99999999999"), 2147483647);  // saturates, so it stays out of every range
  for (const char* bad : {"", "-", "1x", " 1", "1.0", "0x10"}) EXPECT_FALSE(WholeNumber(bad)) << bad;

  EXPECT_EQ(DottedAddress("192.168.001.007"), "192.168.1.7");
  EXPECT_EQ(DottedAddress("0.0.0.0"), "0.0.0.0");
  for (const char* bad : {"1.2.3", "1.2.3.4.5", "1..2.3", "256.0.0.0", "1.2.3.-4", "1.2.3.4 ", "a.b.c.d", "1.2.3.0004"})
    EXPECT_FALSE(DottedAddress(bad)) << bad;
}

TEST(CtlOptions, OptionsGoAnywhereInEitherForm) {
  Parsed p = ParseArguments({"set-comm", "--new-station=12", "-s7", "--mode", "3", "--new-baud=115200", "-p", "ttyUSB1",
                             "--framing", "ASCII", "--parity=Odd", "--lang", "ZH", "--json"});
  ASSERT_FALSE(p.problem) << p.problem.subject;
  EXPECT_EQ(p.options.command, Command::kSetComm);
  EXPECT_EQ(p.options.newStation, 12);
  EXPECT_EQ(p.options.station, 7);
  EXPECT_EQ(p.options.modeCode, 3);
  EXPECT_EQ(p.options.baudCode, 7);  // the module's code for 115200
  EXPECT_EQ(p.options.port, "ttyUSB1");
  EXPECT_EQ(p.options.transferMode, 0);
  EXPECT_EQ(p.options.parity, 1);
  EXPECT_EQ(p.options.language, 0);
  EXPECT_TRUE(p.options.json);

  // --help wins over a bad line; the first problem is the one reported.
  EXPECT_EQ(ParseArguments({"--baud", "7", "read", "--help"}).options.command, Command::kHelp);
  p = ParseArguments({"--baud", "7", "-s", "0", "read"});
  ASSERT_TRUE(p.problem);
  EXPECT_EQ(p.problem.text, &txt::kCtlBaudValues);
  EXPECT_EQ(p.problem.subject, "--baud 7");
  p = ParseArguments({"read", "--station"});
  EXPECT_EQ(p.problem.text, &txt::kCtlMissingValue);
  p = ParseArguments({"read", "probe"});
  EXPECT_EQ(p.problem.text, &txt::kCtlExtraArgument);
  EXPECT_EQ(p.problem.subject, "probe");
}

TEST(CtlOptions, StoredSettingsFallBackAsTheDialogsListsDo) {
  class Stored : public ProfileStore {
   public:
    std::string Read(const std::string&, const std::string& key) override {
      if (key == "REM_ComPortName") return "ttyUSB3";
      if (key == "REM_BaudRate") return "14400";
      if (key == "REM_DataBytes") return "6";
      if (key == "REM_StaNum") return "200";
      return {};
    }
    void Write(const std::string&, const std::string&, const std::string&) override { ADD_FAILURE(); }
  } stored;
  CommSettings c = EffectiveSettings({}, stored);
  EXPECT_EQ(c.portName, "ttyUSB3");
  EXPECT_EQ(c.baud, 9600u);
  EXPECT_EQ(c.dataBits, 8);
  EXPECT_EQ(c.station, 200);
  Options o;
  o.baud = 57600;
  o.port = "/dev/ttyACM0";
  c = EffectiveSettings(o, stored);
  EXPECT_EQ(c.baud, 57600u);
  EXPECT_EQ(c.portName, "/dev/ttyACM0");
}

TEST(CtlOutput, JsonIsValidWhateverBytesATextHolds) {
  // A port name or an argument need not be UTF-8; the object must still parse,
  // with each stray byte replaced and well-formed Chinese kept.
  const Json j{{"a\"b", "x\\y\n\x01é"}, {"port", "/tmp/p\xff\xc3(中"}, {"z", nullptr}};
  const std::string text = JsonText(j);
  EXPECT_EQ(text.find('\n'), std::string::npos) << text;  // one line
  const Json back = Json::parse(text);
  EXPECT_EQ(back["a\"b"], "x\\y\n\x01é");
  EXPECT_EQ(back["port"], "/tmp/p\uFFFD\uFFFD(中");
  EXPECT_TRUE(back["z"].is_null());
  SetUiLanguage(1);
  EXPECT_EQ(ModuleLabel(0x3005), "unrecognised module (type code 0x3005)");
}

}  // namespace
}  // namespace tolvane::ctl
