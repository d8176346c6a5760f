// The settings dialog model without workers: opening, lists, OK and Cancel.
#include "models/com_set_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/language.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;
using test::PumpDispatcher;
namespace fs = std::filesystem;

class ComSetModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Comm() = CommSettings{};
    SetUiLanguage(1);
  }
  std::unique_ptr<ComSetModel> Make(std::vector<std::string> ports) {
    auto m = std::make_unique<ComSetModel>(pump, [ports] { return ports; });
    m->onClose = [this](bool ok) { closes.push_back(ok); };
    return m;
  }
  PumpDispatcher pump;
  MessageRecorder rec;
  std::vector<bool> closes;
};

TEST_F(ComSetModelTest, OpeningSelectsFromTheSettingsAndLooksIdle) {
  Comm().portName = "ttyUSB1";
  Comm().station = 17;
  Comm().parity = 2;
  Comm().transferMode = 0;
  Comm().baud = 57600;
  Comm().dataBits = 7;
  Comm().stopBits = 1;
  auto m = Make({"ttyS0", "ttyUSB1"});
  m->Open();
  EXPECT_EQ(m->lists[kListPort].Text(), "ttyUSB1");
  EXPECT_EQ(m->lists[kListStation].Text(), "17");
  EXPECT_EQ(m->lists[kListStation].items.size(), 256u);
  EXPECT_EQ(m->lists[kListParity].Text(), "Even-check");
  EXPECT_EQ(m->lists[kListMode].Text(), "ASCII");
  EXPECT_EQ(m->lists[kListBaud].Text(), "57600");
  EXPECT_EQ(m->lists[kListData].Text(), "7");
  EXPECT_EQ(m->lists[kListStop].Text(), "1");
  EXPECT_EQ(m->autoLink.caption, "Auto Link");
  EXPECT_EQ(m->autoLink.face, kFaceBlue);
  EXPECT_EQ(m->ok.face, kFaceBlue);
  EXPECT_TRUE(m->listsEnabled);
  EXPECT_EQ(m->baseline, Comm());
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(ComSetModelTest, PortSelectionExactNameElsePrefixElseFirst) {
  const std::vector<std::string> ports{"ttyUSB10", "ttyUSB1", "ttyS3"};
  const std::pair<const char*, const char*> cases[] = {
      {"ttyusb1", "ttyUSB1"},   // the stored port itself, letter case aside, wins over an earlier prefix match
      {"ttyUSB", "ttyUSB10"},   // no exact name: the first entry that begins with it
      {"ttyACM7", "ttyUSB10"},  // nothing matches: the first entry
  };
  for (auto [stored, selected] : cases) {
    Comm().portName = stored;
    auto m = Make(ports);
    m->Open();
    EXPECT_EQ(m->lists[kListPort].Text(), selected) << stored;
  }
}

TEST_F(ComSetModelTest, APortStoredAsAPathIsFoundByItsOwnNameOrAdded) {
  // kx1, kx10 and the by-id link all lead to the node tty0, as udev's links do,
  // so that a selection that followed links would show (where the system lets
  // the test make links; the names alone still decide every row).
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec) / ("tolvane-port-links-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "by-id", ec);
  std::ofstream(dir / "tty0").put('\0');
  for (const char* link : {"kx1", "kx10", "by-id/usb-adapter-port0"})
    fs::create_symlink(fs::absolute(dir / "tty0", ec), dir / link, ec);
  const std::string d = dir.generic_string(), tty0 = d + "/tty0", byId = d + "/by-id/usb-adapter-port0";
  const std::vector<std::string> listed{"ttyUSB10", "ttyUSB1", "ttyS3"};
  struct Case {
    std::string stored;
    std::vector<std::string> ports;
    std::string selected;
    size_t count;  // the list after opening
  } cases[] = {
      {d + "/kx1", {d + "/kx10", d + "/kx1"}, d + "/kx1", 2},  // not the earlier link to the same device
      {d + "/kx10", {d + "/kx1", d + "/kx10"}, d + "/kx10", 2},
      {byId, {tty0}, byId, 2},  // a stable link is never swapped for the node it leads to today
      {tty0, {d + "/kx1", tty0}, tty0, 2},
      {"/dev/ttyUSB1", listed, "ttyUSB1", 3},  // a node under /dev/ is listed by its bare name
      {"/dev/ttyUSB1", {"ttyUSB1", "/dev/ttyUSB1"}, "/dev/ttyUSB1", 2},  // the exact name first
      {"/dev/ttyusb1", listed, "/dev/ttyusb1", 4},  // a path's letters are its own: no such node listed
      {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", listed, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", 4},
      {"/tmp/sim/port", listed, "/tmp/sim/port", 4},  // a device nobody lists
      {"/dev/ttyUSB1", {}, "/dev/ttyUSB1", 1},
      {"ttyUSB", listed, "ttyUSB10", 3},  // a bare name keeps its prefix rule
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Comm().portName = c.stored;
    auto m = Make(c.ports);
    m->Open();
    EXPECT_EQ(m->lists[kListPort].Text(), c.selected);
    EXPECT_EQ(m->lists[kListPort].items.size(), c.count);
    EXPECT_TRUE(rec.messages.empty());
    m->OkClick();
    EXPECT_EQ(Comm().portName, c.selected);
  }
  fs::remove_all(dir, ec);
}

TEST_F(ComSetModelTest, EmptyPortListSaysSoAndOkTakesAnEmptyName) {
  auto m = Make({});
  m->Open();
  ASSERT_EQ(rec.Texts(), std::vector<std::string>{"No serial port!"});
  EXPECT_EQ(rec.messages[0].caption, "Remind");
  m->AutoLinkClick();  // does nothing without a port
  EXPECT_EQ(m->state(), ComSetState::kIdle);
  m->LinkClick();
  EXPECT_FALSE(m->WorkerRunning());
  m->OkClick();
  EXPECT_EQ(Comm().portName, "");
  EXPECT_EQ(closes, std::vector<bool>{true});
}

TEST_F(ComSetModelTest, OutOfListValuesShowTheirFallbacksAndOkTakesThem) {
  Comm().baud = 14400;
  Comm().dataBits = 6;
  Comm().stopBits = 0;
  auto m = Make({"ttyS0"});
  m->Open();
  EXPECT_EQ(m->lists[kListBaud].Text(), "9600");
  EXPECT_EQ(m->lists[kListData].Text(), "8");
  EXPECT_EQ(m->lists[kListStop].Text(), "1");
  EXPECT_EQ(Comm().baud, 14400u);  // nothing changes before OK
  m->OkClick();
  EXPECT_EQ(Comm().baud, 9600u);
  EXPECT_EQ(Comm().dataBits, 8);
  EXPECT_EQ(Comm().stopBits, 1);
}

TEST_F(ComSetModelTest, ParityNamesOfEitherLanguageAreTakenOver) {
  auto m = Make({"ttyS0"});
  m->Open();
  m->lists[kListParity].items = {"奇校验", "Even-check", "something"};
  m->Select(kListParity, 0);
  m->TakeOverChoice();
  EXPECT_EQ(Comm().parity, 1);
  m->Select(kListParity, 1);
  m->TakeOverChoice();
  EXPECT_EQ(Comm().parity, 2);
  m->Select(kListParity, 2);  // an unknown text leaves the code
  m->TakeOverChoice();
  EXPECT_EQ(Comm().parity, 2);
  SetUiLanguage(0);
  m->FillLists();
  EXPECT_EQ(m->lists[kListParity].items, (std::vector<std::string>{"无校验", "奇校验", "偶校验"}));
  SetUiLanguage(1);
}

TEST_F(ComSetModelTest, CancelRestoresEveryField) {
  Comm().portName = "ttyS0";
  const CommSettings before = Comm();
  auto m = Make({"ttyS0", "ttyUSB0"});
  m->Open();
  m->Select(kListPort, 1);
  m->Select(kListStation, 99);
  m->Select(kListBaud, 0);
  m->Select(kListParity, 1);
  m->Select(kListData, 0);
  m->Select(kListStop, 0);
  m->Select(kListMode, 0);
  m->TakeOverChoice();  // as Link or Auto Link would
  ASSERT_NE(Comm(), before);
  m->CancelClick();
  EXPECT_EQ(Comm(), before);
  EXPECT_EQ(closes, std::vector<bool>{false});
}

TEST_F(ComSetModelTest, LinkThatCannotOpenThePort) {
  FakeLinkScope scope;
  scope.fake().openError = ENOENT;
  auto m = Make({"ttyS0"});
  m->Open();
  m->LinkClick();
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Serial port operation failed!"});
  EXPECT_EQ(m->status, "Connect failed, cannot open appointed serial port!");
  EXPECT_FALSE(m->linkStarted);
  EXPECT_FALSE(m->WorkerRunning());
  m->AutoLinkClick();
  ASSERT_GE(rec.Texts().size(), 1u);
  EXPECT_EQ(rec.Texts().back(), "The specified communication port has not been opened, communication failed!");
  EXPECT_EQ(m->status, "Communication port operation failed, stop detection!");
  EXPECT_EQ(m->state(), ComSetState::kIdle);
  EXPECT_EQ(m->autoLink.caption, "Auto Link");
}

// A failed Link leaves link-started set; a search that then ends without a find
// leaves CommSettings at settings nobody chose. Cancel must bring the baseline
// back, and nothing may be left for the caller to store.
TEST_F(ComSetModelTest, CancelAfterAFailedLinkAndASearchThatFoundNothing) {
  FakeLinkScope scope;  // opens, applies, never answers
  for (bool portFailsDuringSearch : {false, true}) {
    Comm() = CommSettings{};
    Comm().portName = "ttyS0";
    auto m = Make({"ttyS0"});
    m->Open();
    m->Select(kListBaud, 7);  // the user's choice: 115200
    m->LinkClick();
    ASSERT_TRUE(pump.PumpUntil([&] { return !m->WorkerRunning(); }));
    ASSERT_EQ(m->status, "Failed to connect, please reset!");
    ASSERT_TRUE(m->linkStarted);
    const CommSettings tried = Comm();
    EXPECT_EQ(tried.baud, 115200u);
    scope.fake().applyOk = !portFailsDuringSearch;
    scope.fake().applied.clear();
    m->AutoLinkClick();
    ASSERT_TRUE(pump.PumpUntil([&] { return !m->WorkerRunning(); }));
    EXPECT_EQ(m->status, portFailsDuringSearch ? "Operation of serial port failed, stop detection!"
                                               : "No suitable parameters detected!");
    EXPECT_EQ(scope.fake().applied.size(), portFailsDuringSearch ? 1u : 48u);
    EXPECT_NE(Comm(), tried);  // the search left its own settings behind
    EXPECT_FALSE(m->linkStarted);
    m->CancelClick();
    EXPECT_EQ(Comm(), tried);
    EXPECT_EQ(closes.back(), false);
    scope.fake().applyOk = true;
  }
}

TEST_F(ComSetModelTest, SearchButtonLooks) {
  auto m = Make({"ttyS0"});
  m->Open();
  m->SetSearchButtons(true);
  EXPECT_EQ(m->autoLink.caption, "Stop");
  EXPECT_EQ(m->autoLink.face, kFaceRed);
  EXPECT_EQ(m->link.face, kFaceGrey);
  EXPECT_EQ(m->cancel.caption, "Cancel");
  EXPECT_FALSE(m->listsEnabled);
  SetUiLanguage(0);
  m->SetSearchButtons(false);
  EXPECT_EQ(m->autoLink.caption, "自动检测");
  EXPECT_EQ(m->ok.caption, "确定");
  EXPECT_TRUE(m->listsEnabled);
  SetUiLanguage(1);
}

}  // namespace
}  // namespace tolvane
