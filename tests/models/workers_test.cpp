// Link and Auto Link against the simulated coupler, with the test thread
// playing the window's thread.
#include <gtest/gtest.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "models/com_set_model.h"
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

// Every request in the simulator's log as "<framing> <rate> <stop bits> <odd parity or ->";
// a request the module answered came at its own line settings, `answered`.
std::vector<std::string> RequestLines(const SimProcess& sim, const std::string& answered) {
  std::vector<std::string> out;
  const std::string mismatch = "| line mismatch: ";
  for (const auto& l : sim.LogLines()) {
    if (l.rfind("RX ", 0) != 0) continue;
    const std::string framing = l.rfind("RX 3A ", 0) == 0 ? "ASCII " : "RTU ";
    const size_t at = l.find(mismatch);
    out.push_back(framing + (at == std::string::npos ? answered : l.substr(at + mismatch.size())));
  }
  return out;
}

// The search order written out: rates 9600, 19200, 57600, 115200, 38400, 4800,
// 2400, 1200, and at each the formats RTU 8N2, 8O1, 8E1, ASCII 7N2, 7O1, 7E1.
// A probe that gets no answer is tried three times; the last one is answered.
std::vector<std::string> ExpectedRequestLines(int probes) {
  const char* rates[] = {"9600", "19200", "57600", "115200", "38400", "4800", "2400", "1200"};
  const char* formats[] = {"RTU # 2 -", "RTU # 1 odd", "RTU # 1 -", "ASCII # 2 -", "ASCII # 1 odd", "ASCII # 1 -"};
  std::vector<std::string> out;
  for (int k = 0; k < probes; ++k) {
    std::string line = formats[k % 6];
    line.replace(line.find('#'), 1, rates[k / 6]);
    out.insert(out.end(), k + 1 < probes ? 3 : 1, line);
  }
  return out;
}

// Also over a 2-wire line that echoes: the request's own frame comes back before the reply.
class WorkersLine : public Workers, public ::testing::WithParamInterface<std::pair<int, bool>> {};
INSTANTIATE_TEST_SUITE_P(ModeAndEcho, WorkersLine,
                         ::testing::Values(std::pair<int, bool>{2, false}, std::pair<int, bool>{2, true},
                                           std::pair<int, bool>{5, true}));

TEST_P(WorkersLine, LinkConnectsAndClosesTheDialogKeepingTheSettings) {
  const auto [mode, echo] = GetParam();
  std::vector<std::string> args{"--baud", "115200", "--mode", std::to_string(mode)};
  if (echo) args.push_back("--echo");
  SimProcess sim(args);
  Open(sim, 115200, static_cast<uint8_t>(mode));
  ConnectedFlag().store(0);
  model->LinkClick();
  EXPECT_TRUE(model->linkStarted);
  // While the worker runs, the other inputs do nothing.
  model->OkClick();
  model->CancelClick();
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Connection successful!");
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Connection successful!The module model is KX-130."});
  ASSERT_GE(rec.messages.size(), 1u);
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
  ASSERT_GE(rec.messages.size(), 1u);
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

// Over an echoing line the request's own frame comes back at every line
// setting, and garbage after it at the wrong ones: neither is a module.
class WorkersNoise : public Workers, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(PlainOrEcho, WorkersNoise, ::testing::Bool());

TEST_P(WorkersNoise, AutoLinkFindsRtu8N2At19200OnTheSeventhProbe) {
  std::vector<std::string> args{"--baud", "19200", "--mode", "0", "--station", "5"};
  if (GetParam()) args.insert(args.end(), {"--echo", "--noise"});
  SimProcess sim(args);
  Open(sim, 4800, 4, 5);
  model->AutoLinkClick();
  ASSERT_TRUE(model->WorkerRunning());
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(RequestLines(sim, "19200 2 -"), ExpectedRequestLines(7));
  EXPECT_EQ(model->lists[kListBaud].Text(), "19200");
  EXPECT_EQ(model->lists[kListMode].Text(), "RTU");
  EXPECT_EQ(model->lists[kListData].Text(), "8");
  EXPECT_EQ(model->lists[kListStop].Text(), "2");
  EXPECT_EQ(model->lists[kListParity].Text(), "No parity");
  EXPECT_EQ(model->lists[kListStation].Text(), "5");
  EXPECT_EQ(model->autoLink.caption, "Auto Link");
  EXPECT_FALSE(IsConnected());
  // Cancel after a search restores the baseline: link-started is clear.
  model->CancelClick();
  EXPECT_EQ(Comm().baud, 4800u);
  EXPECT_EQ(Comm().transferMode, 0);
}

// The one slow case: the whole search order, probe by probe, as the module saw it.
TEST_F(Workers, AutoLinkTriesAll48InOrderAndFindsAscii7E1At1200OnTheLastProbe) {
  SimProcess sim({"--baud", "1200", "--mode", "5"});
  Open(sim, 9600, 0);
  model->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "Detection successful, parameters configured! Please click on the connection!");
  EXPECT_EQ(RequestLines(sim, "1200 1 -"), ExpectedRequestLines(48));
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
  model->LinkClick();  // fails: the module is silent
  ASSERT_TRUE(WaitIdle());
  ASSERT_TRUE(model->linkStarted);
  const CommSettings tried = Comm();
  const size_t linkRequests = sim.Requests().size();
  model->AutoLinkClick();
  ASSERT_TRUE(pump.PumpUntil([&] { return sim.Requests().size() >= linkRequests + 2; }));
  model->AutoLinkClick();  // Stop
  EXPECT_EQ(model->state(), ComSetState::kStopping);
  model->AutoLinkClick();  // before the worker has seen the stop: nothing
  EXPECT_EQ(model->state(), ComSetState::kStopping);
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "User stopped detection!");
  EXPECT_EQ(Comm().baud, 38400u);
  EXPECT_EQ(Comm().transferMode, 0);
  EXPECT_EQ(Comm().dataBits, 7);
  EXPECT_EQ(Comm().stopBits, 2);
  EXPECT_EQ(Comm().station, 9);
  EXPECT_LT(sim.Requests().size(), 48u * 3u);
  EXPECT_EQ(model->autoLink.caption, "Auto Link");
  EXPECT_TRUE(model->listsEnabled);
  // After the search the Link attempt no longer counts: Cancel leaves nothing to store.
  EXPECT_FALSE(model->linkStarted);
  model->CancelClick();
  EXPECT_EQ(Comm(), tried);
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
  EXPECT_FALSE(model->linkStarted);
  // Now idle: the clicks act again.
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(IsConnected());
  EXPECT_EQ(closes, std::vector<bool>{false});
}

TEST_F(Workers, NothingFoundWhenTheModuleRefusesTheProbeAndCancelThenRestores) {
  SimProcess sim({"--baud", "115200", "--reg", "1=0x0FFF"});
  Open(sim, 115200, 0);
  // Link fails: the module answers, but its identity is refused.
  model->LinkClick();
  ASSERT_TRUE(WaitIdle());
  ASSERT_EQ(model->status, "Failed to connect, please reset!");
  ASSERT_TRUE(model->linkStarted);
  const CommSettings tried = Comm();
  // Only the 115200 RTU 8N2 probes are answered; they are refused, so the search
  // goes on through all 48 combinations. The slow rates make this the long case.
  model->AutoLinkClick();
  ASSERT_TRUE(WaitIdle());
  EXPECT_EQ(model->status, "No suitable parameters detected!");
  EXPECT_EQ(Comm().baud, 1200u);
  EXPECT_EQ(Comm().transferMode, 0);
  EXPECT_EQ(Comm().parity, 2);
  EXPECT_EQ(model->lists[kListBaud].Text(), "115200");  // the lists still show the user's choice
  // Cancel brings back what the user chose, and leaves nothing to store.
  model->CancelClick();
  EXPECT_EQ(Comm(), tried);
  EXPECT_FALSE(model->linkStarted);
  EXPECT_EQ(closes, std::vector<bool>{false});
}

}  // namespace
}  // namespace tolvane
