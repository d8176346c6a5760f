// Faults of the line and of the port, against the simulated coupler.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/com_set_model.h"
#include "models/commands.h"
#include "support/fake_view.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::FakeMainView;
using test::MessageRecorder;
using test::PumpDispatcher;
using test::SimProcess;
using test::UsePort;

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUiLanguage(1);
    link = "/tmp/tolvane-fault-" + std::to_string(getpid());
    view.screen.fill("");
    model.SetView(&view, &view);
  }
  void TearDown() override {
    if (dialog) pump.PumpUntil([&] { return !dialog->WorkerRunning(); });
    dialog.reset();
    Link().ClosePort();
    unlink(link.c_str());
  }
  void OpenDialog() {
    dialog = std::make_unique<ComSetModel>(pump, [this] { return std::vector<std::string>{link}; });
    dialog->Open();
  }
  bool WaitIdle() {
    return pump.PumpUntil([&] { return !dialog->WorkerRunning(); }, std::chrono::seconds(90));
  }
  std::string link;
  PumpDispatcher pump;
  MessageRecorder rec;
  FakeMainView view;
  MainModel model;
  std::unique_ptr<ComSetModel> dialog;
};

TEST_F(Faults, SimulatorVanishesDuringAnUploadAndComesBack) {
  {
    SimProcess sim({"--baud", "115200", "--exit-after", "0"}, link);
    UsePort(link, 115200, 0);
    ConnectedFlag().store(1);
    UploadParameters(model);
  }
  ASSERT_EQ(rec.messages.size(), 1u);
  const std::string failure = rec.messages[0].text;
  EXPECT_TRUE(failure == "Communication timeout! Please Check!" || failure == " Data receiving errors!" ||
              failure == " Data transmission errors!")
      << failure;
  EXPECT_EQ(view.screen[kModuleType], "");

  SimProcess again({"--baud", "115200"}, link);
  rec.messages.clear();
  OpenDialog();
  dialog->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(IsConnected());
  UploadParameters(model);
  ASSERT_GE(rec.Texts().size(), 1u);
  EXPECT_EQ(rec.Texts().back(), "Parameter upload successful!");
  EXPECT_EQ(view.screen[kModuleType], "KX-130");
}

TEST_F(Faults, SimulatorVanishesDuringASearchAndIsFoundOnceBack) {
  {
    SimProcess sim({"--baud", "19200", "--exit-after", "2"}, link);
    UsePort(link, 9600, 0);
    OpenDialog();
    dialog->AutoLinkClick();
    ASSERT_TRUE(WaitIdle());
  }
  EXPECT_TRUE(dialog->status == "No suitable parameters detected!" ||
              dialog->status == "Operation of serial port failed, stop detection!")
      << dialog->status;
  EXPECT_EQ(dialog->state(), ComSetState::kIdle);
  EXPECT_TRUE(dialog->listsEnabled);

  SimProcess again({"--baud", "19200"}, link);
  dialog->CancelClick();
  OpenDialog();
  dialog->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(dialog->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(Comm().baud, 19200u);
}

TEST_F(Faults, AnotherProcessHoldsThePort) {
  SimProcess sim({"--baud", "115200"}, link);
  UsePort(link, 115200, 0);
  ConnectedFlag().store(0);
  int holder = open(link.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  OpenDialog();
  const CommSettings before = Comm();
  dialog->LinkClick();
  EXPECT_EQ(dialog->status, "Connect failed, cannot open appointed serial port!");
  dialog->AutoLinkClick();
  EXPECT_EQ(dialog->status, "Communication port operation failed, stop detection!");
  EXPECT_EQ(rec.Texts(),
            (std::vector<std::string>{"Serial port operation failed!",
                                      "The specified communication port has not been opened, communication failed!"}));
  EXPECT_FALSE(dialog->WorkerRunning());
  EXPECT_FALSE(dialog->linkStarted);
  EXPECT_FALSE(IsConnected());
  EXPECT_EQ(Comm(), before);
  EXPECT_TRUE(sim.Requests().empty());
  close(holder);
}

TEST_F(Faults, NoiseAtTheWrongRatesDoesNotStopTheSearch) {
  SimProcess sim({"--baud", "19200", "--noise"}, link);
  UsePort(link, 9600, 0);
  OpenDialog();
  dialog->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(dialog->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(Comm().baud, 19200u);
  EXPECT_EQ(Comm().transferMode, 1);
  EXPECT_EQ(Comm().stopBits, 2);
}

TEST_F(Faults, AReplySentTwiceIsPurgedBeforeTheNextTransaction) {
  SimProcess sim({"--baud", "115200", "--twice", "250", "--reg", "6=11"}, link);
  UsePort(link, 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(ReadRegisters(26), 0);
  EXPECT_EQ(ReplyLength(), 55u);
  // Wait, within a bound, until the late copy has been sent.
  auto copySent = [&] {
    for (const auto& l : sim.LogLines())
      if (l == "TX again") return true;
    return false;
  };
  for (int i = 0; i < 300 && !copySent(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(copySent());
  const uint8_t data[4] = {0, 1, 0, 4};
  EXPECT_EQ(WriteRegisters(5, 4, data), 0);  // the purge drops the stale copy of the read reply
  EXPECT_EQ(Reply()[1], 0x10);
  EXPECT_EQ(sim.Requests().size(), 2u);
}

}  // namespace
}  // namespace tolvane
