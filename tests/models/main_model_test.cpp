// The main window model: text exchange, the station check and the text helpers.
#include "models/main_model.h"

#include <gtest/gtest.h>

#include "core/comm_settings.h"
#include "core/language.h"
#include "support/fake_view.h"
#include "support/memory_profile.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

using FakeView = test::FakeMainView;

class MainModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUiLanguage(1);
    model.SetView(&view, &view);
    model.Initialise();
  }
  bool Enter(const std::string& station) {
    view.screen[kStation] = station;
    return model.CheckFields();
  }
  FakeView view;
  MainModel model;
  MessageRecorder rec;
};

TEST_F(MainModelTest, FreshWindowShowsStationOneAndBaud9600) {
  EXPECT_EQ(view.screen[kStation], "1");
  EXPECT_EQ(view.baud, 3);
  EXPECT_EQ(view.mode, 0);
  EXPECT_EQ(view.screen[kModuleType], "");
  EXPECT_EQ(view.screen[kMacAddress], "");
  EXPECT_EQ(model.stopAddress, 8192);
  EXPECT_EQ(model.stopCode, 3);
  EXPECT_TRUE(model.checkGuard);
}

TEST_F(MainModelTest, StationLimitsAreAcceptedAndLeadingZerosDropped) {
  EXPECT_TRUE(Enter("247"));
  EXPECT_EQ(model.station, 247);
  EXPECT_TRUE(Enter("1"));
  EXPECT_TRUE(Enter("007"));
  EXPECT_EQ(model.station, 7);
  EXPECT_EQ(view.screen[kStation], "7");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(MainModelTest, OutOfRangeStationsBringBackThePreviousValue) {
  ASSERT_TRUE(Enter("12"));
  for (const char* bad : {"0", "248", "-5", "000", "9999999999"}) {
    EXPECT_FALSE(Enter(bad)) << bad;
    EXPECT_EQ(view.screen[kStation], "12") << bad;
    EXPECT_EQ(model.station, 12);
  }
  ASSERT_EQ(rec.messages.size(), 5u);
  EXPECT_EQ(rec.messages[0].text, "The Value of Station number is out of range,Data Range is :1～247!");
  EXPECT_EQ(view.focus, std::vector<int>(5, kStation));
  SetUiLanguage(0);
  Enter("0");
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().text, "站号输入值超限，请输入1～247的数据！");
  SetUiLanguage(1);
}

TEST_F(MainModelTest, AnEmptiedStationGetsItsValueBackSilently) {
  ASSERT_TRUE(Enter("33"));
  EXPECT_TRUE(Enter(""));
  EXPECT_EQ(view.screen[kStation], "33");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(MainModelTest, TheGuardKeepsTheCheckFromRunningInsideItself) {
  view.screen[kStation] = std::string("0");
  model.checkGuard = false;
  model.OnFieldFocusLost();
  EXPECT_TRUE(rec.messages.empty());
  model.checkGuard = true;
  model.OnFieldFocusLost();
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_TRUE(model.checkGuard);
}

TEST_F(MainModelTest, OtherFieldsAreNotCheckedHere) {
  view.screen[kStopAddress] = "20000";
  model.OnFieldFocusLost();
  EXPECT_EQ(view.screen[kStopAddress], "20000");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(MainModelTest, BaudSelectionBecomesTheCodeAndMovesTheFocusAway) {
  view.baud = 6;
  model.OnSelectBaudRate(6);
  EXPECT_EQ(model.baudCode, 6);
  EXPECT_EQ(view.baud, 6);
  EXPECT_EQ(view.focusAway, 1);
  model.SelectMode(9);
  EXPECT_EQ(view.mode, 0);
  model.SelectBaud(8);
  EXPECT_EQ(view.baud, 0);
}

TEST_F(MainModelTest, TheStartLoadsTheProfileAndTheLinkIsDown) {
  test::MemoryProfile profile;
  profile.values["REM_DefaultCom/REM_StaNum"] = "9";
  ConnectedFlag().store(1);
  model.Start(&profile);
  EXPECT_EQ(Comm().station, 9);
  EXPECT_FALSE(IsConnected());
  EXPECT_TRUE(model.checkGuard);
  ConnectedFlag().store(1);
  model.Start(nullptr);
  EXPECT_FALSE(IsConnected());
  Comm() = CommSettings{};
}

TEST_F(MainModelTest, TheSettingsDialogStoresOnlyWhenAcceptedOrLinked) {
  test::MemoryProfile profile;
  model.Start(&profile);
  model.ConnectionDialogEnded(false, false);  // Cancel without a link
  EXPECT_TRUE(profile.values.empty());
  model.ConnectionDialogEnded(true, false);
  EXPECT_EQ(profile.values["REM_DefaultCom/REM_StaNum"], "1");
  profile.values.clear();
  model.ConnectionDialogEnded(false, true);  // a failed link: stored, nothing read
  EXPECT_EQ(profile.values.size(), 7u);
  EXPECT_EQ(view.screen[kModuleType], "");
  EXPECT_TRUE(rec.messages.empty());
}

TEST(FieldRules, WhatAFieldKeepsOfEnteredText) {
  EXPECT_EQ(KeepFieldCharacters("1abc站号-2 3"), "1-23");
  EXPECT_EQ(OctetEntry("-3x0"), "30");
  EXPECT_EQ(OctetEntry("255"), "255");
  EXPECT_EQ(OctetEntry("256"), "255");
  EXPECT_EQ(OctetEntry("0300"), "255");
  EXPECT_EQ(OctetEntry("007"), "007");
  EXPECT_EQ(DottedAddress({"", "", "", ""}), "");
  EXPECT_EQ(DottedAddress({"10", "", "007", "999"}), "10.0.7.255");
}

TEST(TextHelpers, StripLeadingZeros) {
  EXPECT_EQ(StripLeadingZeros("007"), "7");
  EXPECT_EQ(StripLeadingZeros("000"), "0");
  EXPECT_EQ(StripLeadingZeros(""), "");
  EXPECT_EQ(StripLeadingZeros("-05"), "-05");
  EXPECT_EQ(StripLeadingZeros("0 5"), " 5");
  EXPECT_EQ(StripLeadingZeros("100"), "100");
}

TEST(TextHelpers, DottedField) {
  const std::string ip = "192.168.1.170";
  EXPECT_EQ(DottedField(ip, 1), 192);
  EXPECT_EQ(DottedField(ip, 2), 168);
  EXPECT_EQ(DottedField(ip, 3), 1);
  EXPECT_EQ(DottedField(ip, 4), 170);
  EXPECT_EQ(DottedField(ip, 5), 0);
  EXPECT_EQ(DottedField(ip, 0), 0);
  EXPECT_EQ(DottedField("10.0.0", 1), 10);
  EXPECT_EQ(DottedField("10.0.0", 4), 0);
  EXPECT_EQ(DottedField("1.2", 2), 0);  // a missing dot leaves the rest for the last field
  EXPECT_EQ(DottedField("1.2", 4), 2);
  EXPECT_EQ(DottedField(" 7x. -3.a.1.9", 1), 7);
  EXPECT_EQ(DottedField(" 7x. -3.a.1.9", 2), -3);
  EXPECT_EQ(DottedField(" 7x. -3.a.1.9", 3), 0);
  EXPECT_EQ(DottedField(" 7x. -3.a.1.9", 4), 1);
}

}  // namespace
}  // namespace tolvane
