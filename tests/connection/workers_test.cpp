// Link and Auto Link against the simulated coupler, with the test thread
// playing the window's thread.
#include <gtest/gtest.h>

#include "app/language.h"
#include "connection/com_set_model.h"
#include "link/serial_link.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::MessageRecorder;
using test::PumpDispatcher;
using test::SimProcess;
using test::UsePort;

class Workers : public ::testing::Test {
 protected:
  void SetUp() override { SetUiLanguage(1); }
  void TearDown() override {
    if (model) pump.PumpUntil([&] { return !model->WorkerRunning(); });
    model.reset();
    Link().ClosePort();
  }
  void Open(const SimProcess& sim, uint32_t baud, uint8_t mode, uint8_t station = 1) {
    UsePort(sim.port(), baud, mode, station);
    model = std::make_unique<ComSetModel>(pump, [&sim] { return std::vector<std::string>{sim.port()}; });
    model->onClose = [this](bool ok) { closes.push_back(ok); };
    model->Open();
  }
  bool WaitIdle() {
    return pump.PumpUntil([&] { return !model->WorkerRunning(); }, std::chrono::seconds(90));
  }
  PumpDispatcher pump;
  MessageRecorder rec;
  std::unique_ptr<ComSetModel> model;
  std::vector<bool> closes;
};

TEST_F(Workers, LinkConnectsAndClosesTheDialogKeepingTheSettings) {
  SimProcess sim({"--baud", "115200", "--mode", "2"});
  Open(sim, 115200, 2);
  ConnectedFlag().store(0);
  model->LinkClick();
  EXPECT_EQ(model->linkStarted, 1);
  // While the worker runs, the other inputs do nothing.
  model->OkClick();
  model->CancelClick();
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Connection successful!");
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Connection successful!The module model is KX-130."});
  EXPECT_EQ(rec.messages[0].caption, "Remind");
  EXPECT_TRUE(IsConnected());
  EXPECT_EQ(closes, std::vector<bool>{false});  // as by the frame: Cancel that keeps the tried settings
  EXPECT_EQ(Comm().baud, 115200u);
  EXPECT_EQ(Comm().parity, 2);
  EXPECT_EQ(sim.Requests().size(), 1u);
}

TEST_F(Workers, LinkToAnUnknownModelStillConnectsInChinese) {
  SimProcess sim({"--baud", "115200", "--reg", "0=0x3004"});
  Open(sim, 115200, 0);
  SetUiLanguage(0);
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"连接成功！模块型号未识别."});
  EXPECT_EQ(rec.messages[0].caption, "提示");
  EXPECT_TRUE(IsConnected());
  SetUiLanguage(1);
}

TEST_F(Workers, LinkToASilentModuleFails) {
  SimProcess sim({"--baud", "115200", "--silent"});
  Open(sim, 115200, 0);
  ConnectedFlag().store(1);
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Failed to connect, please reset!");
  EXPECT_FALSE(IsConnected());
  EXPECT_TRUE(closes.empty());
  EXPECT_TRUE(Link().IsOpen());
  EXPECT_TRUE(rec.messages.empty());
  // Cancel now keeps the tried settings: the Link was started.
  model->CancelClick();
  EXPECT_EQ(Comm().portName, sim.port());
}

TEST_F(Workers, AutoLinkFindsRtu8N2At19200OnTheSeventhProbe) {
  SimProcess sim({"--baud", "19200", "--mode", "0", "--station", "5"});
  Open(sim, 4800, 4, 5);
  model->AutoLinkClick();
  ASSERT_TRUE(model->WorkerRunning());
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(sim.Requests().size(), 6u * 3u + 1u);
  EXPECT_EQ(model->lists[kListBaud].Text(), "19200");
  EXPECT_EQ(model->lists[kListMode].Text(), "RTU");
  EXPECT_EQ(model->lists[kListData].Text(), "8");
  EXPECT_EQ(model->lists[kListStop].Text(), "2");
  EXPECT_EQ(model->lists[kListParity].Text(), "No parity");
  EXPECT_EQ(model->lists[kListStation].Text(), "5");
  EXPECT_EQ(model->autoLink.caption, "Auto Link");
  EXPECT_EQ(model->searchRunning, 0);
  EXPECT_FALSE(IsConnected());
  // Cancel after a search restores the baseline: link-started is clear.
  model->CancelClick();
  EXPECT_EQ(Comm().baud, 4800u);
  EXPECT_EQ(Comm().transferMode, 0);
}

TEST_F(Workers, AutoLinkFindsAscii7E1At1200OnTheLastProbe) {
  SimProcess sim({"--baud", "1200", "--mode", "5"});
  Open(sim, 9600, 0);
  model->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(sim.Requests().size(), 47u * 3u + 1u);
  EXPECT_EQ(Comm().baud, 1200u);
  EXPECT_EQ(Comm().transferMode, 0);
  EXPECT_EQ(Comm().parity, 2);
  EXPECT_EQ(Comm().dataBits, 7);
  EXPECT_EQ(Comm().stopBits, 1);
  EXPECT_EQ(model->lists[kListParity].Text(), "Even-check");
  // Link then connects with the found settings.
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(IsConnected());
}

TEST_F(Workers, StopRestoresRateAndFormatButKeepsTheChosenStation) {
  SimProcess sim({"--baud", "115200", "--silent"});
  Open(sim, 38400, 3, 1);
  model->Select(kListStation, 9);
  model->AutoLinkClick();
  ASSERT_TRUE(pump.PumpUntil([&] { return sim.Requests().size() >= 2; }));
  model->AutoLinkClick();  // Stop
  EXPECT_EQ(model->stopRequest, 1);
  EXPECT_EQ(model->searchRunning, 0);
  model->AutoLinkClick();  // before the worker has seen the stop: nothing
  EXPECT_EQ(model->stopRequest, 1);
  EXPECT_EQ(model->searchRunning, 0);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "User stopped detection!");
  EXPECT_EQ(model->stopRequest, 0);
  EXPECT_EQ(Comm().baud, 38400u);
  EXPECT_EQ(Comm().transferMode, 0);
  EXPECT_EQ(Comm().dataBits, 7);
  EXPECT_EQ(Comm().stopBits, 2);
  EXPECT_EQ(Comm().station, 9);
  EXPECT_LT(sim.Requests().size(), 48u * 3u);
  EXPECT_EQ(model->autoLink.caption, "Auto Link");
  EXPECT_TRUE(model->listsEnabled);
}

TEST_F(Workers, ASearchThatEndsWhileTheUserKeepsClicking) {
  SimProcess sim({"--baud", "19200", "--mode", "0"});
  Open(sim, 9600, 0);
  model->AutoLinkClick();
  int clicks = 0;
  // Every other input is ignored while the worker runs, until the search ends.
  ASSERT_TRUE(pump.PumpUntil([&] {
    if (!model->WorkerRunning()) return true;
    model->OkClick();
    model->CancelClick();
    model->LinkClick();
    ++clicks;
    return false;
  }));
  EXPECT_GT(clicks, 10);
  EXPECT_TRUE(closes.empty());
  EXPECT_EQ(model->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(model->searchRunning, 0);
  EXPECT_EQ(model->linkStarted, 0);
  // Now idle: the clicks act again.
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(IsConnected());
  EXPECT_EQ(closes, std::vector<bool>{false});
}

TEST_F(Workers, NothingFoundWhenTheModuleRefusesTheProbe) {
  SimProcess sim({"--baud", "115200", "--reg", "1=0x0FFF"});
  Open(sim, 9600, 0);
  // Only the 115200 RTU 8N2 probes are answered; they are refused, so the search
  // goes on through all 48 combinations. The slow rates make this the long case.
  model->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "No suitable parameters detected!");
  EXPECT_EQ(Comm().baud, 1200u);
  EXPECT_EQ(Comm().transferMode, 0);
  EXPECT_EQ(Comm().parity, 2);
  EXPECT_EQ(model->lists[kListBaud].Text(), "9600");  // the lists still show the user's choice
}

}  // namespace
}  // namespace tolvane
