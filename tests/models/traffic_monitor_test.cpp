// The traffic recorder and the monitor's lines: the bounded rings, the
// 10,000-line list, and what an ASCII upload, a timeout and a search look like
// against the simulated coupler (a Link is in the window's tests).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>

#include "core/language.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/com_set_model.h"
#include "models/commands.h"
#include "models/traffic_monitor_model.h"
#include "support/fake_view.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::SimProcess;
using test::UsePort;

// A line without its clock and gap: "TX  9600 8N2 RTU      01 03 ...".
std::string Tail(const std::string& line) { return line.size() > 27 ? line.substr(27) : line; }

std::vector<std::string> Tails(const TrafficMonitorModel& m) {
  std::vector<std::string> out;
  for (size_t i = 0; i < m.LineCount(); ++i) out.push_back(Tail(m.Line(i)));
  return out;
}

class Monitor : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUiLanguage(1);
    monitor.Clear();  // what earlier tests recorded
  }
  void TearDown() override { Link().ClosePort(); }
  TrafficMonitorModel monitor{Traffic()};
};

TEST(TrafficText, SettingsBytesResultsAndClock) {
  SetUiLanguage(1);
  EXPECT_EQ(TrafficSettingsText({.baud = 9600, .dataBits = 8, .parity = 0, .stopBits = 2, .transferMode = 1}),
            "9600 8N2 RTU");
  EXPECT_EQ(TrafficSettingsText({.baud = 1200, .dataBits = 7, .parity = 2, .stopBits = 1, .transferMode = 0}),
            "1200 7E1 ASCII");
  EXPECT_EQ(TrafficBytesText(std::string("\x01\x03\xC4\x0B", 4), false), "01 03 C4 0B");
  EXPECT_EQ(TrafficBytesText(std::string(":01<\x7F\r\n\0", 8), true), ":01<3C><7F><CR><LF><00>");
  EXPECT_EQ(LinkResultText(7), "7 check error (CRC/LRC)");
  EXPECT_EQ(LinkResultText(4), "4 communication error");
  SetUiLanguage(0);
  EXPECT_EQ(LinkResultText(1), "1 超时（无应答）");
  SetUiLanguage(1);
#ifdef _WIN32
  _putenv_s("TZ", "UTC");
#else
  setenv("TZ", "UTC", 1);
#endif
  tzset();
  EXPECT_EQ(ClockText(86'400'000LL * 365 + 3'723'045), "01:02:03.045");
  EXPECT_EQ(TrafficLogFileName(86'400'000LL * 365 + 3'723'045), "tolvane-traffic-19710101-010203.txt");
}

TEST(TrafficRecorderRings, WrapsAndTellsWhatWasMissed) {
  auto rec = std::make_unique<TrafficRecorder>();
  const size_t cap = TrafficRecorder::kRecordCapacity;
  for (size_t i = 0; i < cap + 10; ++i) rec->Record(TrafficEvent::kPurge);
  std::vector<TrafficEntry> out;
  uint64_t missed = 0;
  uint64_t next = rec->ReadSince(1, 5, out, &missed);
  EXPECT_EQ(missed, 10u);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].record.seq, 11u);
  EXPECT_EQ(next, 16u);

  // Bytes: the ring of bytes runs out before the ring of records when frames are long.
  const std::string frame(4096, '\x5A');
  const uint64_t first = rec->NextSeq();
  const size_t frames = TrafficRecorder::kByteCapacity / frame.size() + 3;
  for (size_t i = 0; i < frames; ++i)
    rec->Record(TrafficEvent::kTx, reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
  out.clear();
  missed = 0;
  next = rec->ReadSince(first, frames, out, &missed);
  EXPECT_EQ(missed, 3u);
  ASSERT_EQ(out.size(), frames - 3);
  EXPECT_EQ(out.front().bytes, frame);
  EXPECT_EQ(out.back().bytes, frame);
  EXPECT_EQ(next, rec->NextSeq());

  // Records without bytes need nothing of the byte ring: however many bytes
  // follow them, they are still there to read, and the monitor misses only
  // the frames written over.
  auto fresh = std::make_unique<TrafficRecorder>();
  fresh->Record(TrafficEvent::kPurge);
  fresh->Record(TrafficEvent::kTryFailed, nullptr, 0, 1, 1, 3);
  fresh->Record(TrafficEvent::kOutcome, nullptr, 0, 1, 0, 3);
  for (size_t i = 0; i < frames; ++i)
    fresh->Record(TrafficEvent::kTx, reinterpret_cast<const uint8_t*>(frame.data()), frame.size());
  TrafficMonitorModel monitor(*fresh);
  monitor.Update();
  EXPECT_EQ(monitor.dropped(), 3u);
  EXPECT_EQ(monitor.LineCount(), frames);  // three byteless lines, frames - 3 frames

  rec->SetEnabled(false);
  rec->Record(TrafficEvent::kPurge);
  EXPECT_EQ(rec->NextSeq(), next);
}

// A named clock stamps every record, so the monitor's times and gaps come out
// the same on every run; without one the system's clocks are back.
TEST(TrafficRecorderClock, ANamedClockStampsEveryRecordUntilItIsTakenAway) {
  static const struct {
    TrafficEvent event;
    int64_t us;
    const char* head;  // clock and gap as the monitor shows them
  } steps[] = {
      {TrafficEvent::kOpen, 3'723'045'000, "01:02:03.045             "},
      {TrafficEvent::kTx, 3'723'045'250, "01:02:03.045      +0.2 ms"},
      {TrafficEvent::kRx, 3'723'195'250, "01:02:03.195    +150.0 ms"},
      {TrafficEvent::kClose, 3'723'195'650, "01:02:03.195      +0.4 ms"},
  };
#ifdef _WIN32
  _putenv_s("TZ", "UTC");
#else
  setenv("TZ", "UTC", 1);
#endif
  tzset();
  static size_t next = 0;
  next = 0;
  SetTrafficClock([](TrafficEvent event) {
    const auto& step = steps[next++ % std::size(steps)];
    return step.event == event ? step.us : int64_t{-1};
  });
  auto rec = std::make_unique<TrafficRecorder>();
  for (const auto& step : steps) rec->Record(step.event);
  SetTrafficClock(nullptr);
  rec->Record(TrafficEvent::kPurge);
  TrafficMonitorModel monitor(*rec);
  monitor.Update();
  ASSERT_EQ(monitor.LineCount(), std::size(steps) + 1);
  for (size_t i = 0; i < std::size(steps); ++i) EXPECT_EQ(monitor.Line(i).substr(0, 25), steps[i].head) << i;
  std::vector<TrafficEntry> out;
  rec->ReadSince(1, 10, out, nullptr);
  const int64_t now =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  EXPECT_NEAR(static_cast<double>(out.back().record.wallMs), static_cast<double>(now), 60'000.0);
}

TEST(TrafficMonitorLines, KeepsTheLast10000WithANoteAndPausesClearsAndCopies) {
  SetUiLanguage(1);
  auto rec = std::make_unique<TrafficRecorder>();
  TrafficMonitorModel m(*rec);
  rec->Record(TrafficEvent::kPurge);
  m.Update();
  // The first line has nothing before it; the others show their gap.
  EXPECT_EQ(m.Line(0).find('+'), std::string::npos) << m.Line(0);
  for (size_t i = 0; i < TrafficMonitorModel::kMaxLines + 4; ++i) rec->Record(TrafficEvent::kPurge);
  m.Update();
  EXPECT_EQ(m.LineCount(), TrafficMonitorModel::kMaxLines);
  EXPECT_EQ(m.DroppedNote(), "… 5 earlier lines dropped");
  EXPECT_TRUE(std::regex_search(m.Line(1), std::regex(R"(^\d\d:\d\d:\d\d\.\d{3} +\+\d+\.\d ms  --  )"))) << m.Line(1);

  const uint8_t probe[] = {1, 3, 0, 0, 0, 2, 0xC4, 0x0B};
  rec->Record(TrafficEvent::kTx, probe, sizeof probe, 0, 2, 3);
  m.Collect();
  EXPECT_EQ(m.PendingTrim(), 1u);
  EXPECT_EQ(m.PendingAppend(), 1u);
  m.ApplyTrim();
  m.ApplyAppend();
  EXPECT_EQ(m.LineCount(), TrafficMonitorModel::kMaxLines);
  EXPECT_EQ(m.dropped(), 6u);
  EXPECT_EQ(Tail(m.Line(m.LineCount() - 1)), "TX  9600 8N2 RTU      01 03 00 00 00 02 C4 0B  [try 2/3]");

  // Paused, nothing is taken; on resume all that came meanwhile appears.
  m.SetPaused(true);
  rec->Record(TrafficEvent::kTryFailed, nullptr, 0, 1, 2, 3);
  rec->Record(TrafficEvent::kOutcome, nullptr, 0, 1, 0, 3);
  m.Update();
  EXPECT_EQ(Tail(m.Line(m.LineCount() - 1)).substr(0, 2), "TX");
  m.SetPaused(false);
  m.Update();
  EXPECT_EQ(Tail(m.Line(m.LineCount() - 2)), "--  9600 8N2 RTU      try 2/3 failed: 1 timeout (no reply)");
  EXPECT_EQ(Tail(m.Line(m.LineCount() - 1)), "--  9600 8N2 RTU      result: 1 timeout (no reply), tries: 3");

  // Copy: the selected lines in list order, or everything with the note first.
  const size_t last = m.LineCount() - 1;
  EXPECT_EQ(m.Text({last, last - 2}), m.Line(last - 2) + "\n" + m.Line(last) + "\n");
  const std::string all = m.Text();
  EXPECT_EQ(all.substr(0, all.find('\n')), "… 8 earlier lines dropped");
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), static_cast<long>(TrafficMonitorModel::kMaxLines + 1));

  // Clear forgets the list, the note and what was recorded but not yet taken.
  rec->Record(TrafficEvent::kClose);
  m.Clear();
  m.Update();
  EXPECT_EQ(m.LineCount(), 0u);
  EXPECT_EQ(m.Text(), "");
  rec->Record(TrafficEvent::kClose);
  m.Update();
  EXPECT_EQ(Tails(m), std::vector<std::string>{"--  9600 8N2 RTU      port closed"});
  SetUiLanguage(0);
  EXPECT_EQ(Tails(m), std::vector<std::string>{"--  9600 8N2 RTU      关闭通讯口"});
  SetUiLanguage(1);
}

TEST_F(Monitor, AsciiUploadShowsTheColonLines) {
  SimProcess sim({"--baud", "115200", "--mode", "3"});
  UsePort(sim.port(), 115200, 3);
  ASSERT_TRUE(Link().OpenPort());
  ConnectedFlag().store(1);
  test::MessageRecorder messages;
  test::FakeMainView view;
  MainModel window;
  window.SetView(&view, &view);
  window.Initialise();
  UploadParameters(window);
  ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Parameter upload successful!"});
  monitor.Update();
  const std::vector<std::string> lines = Tails(monitor);
  ASSERT_GE(lines.size(), 4u);
  const size_t n = lines.size();
  EXPECT_EQ(lines[n - 3], "TX  115200 7N2 ASCII  :01030000001AE2<CR><LF>  [try 1/3]");
  EXPECT_TRUE(std::regex_match(lines[n - 2], std::regex("RX  115200 7N2 ASCII  :010334[0-9A-F]{106}<CR><LF>")))
      << lines[n - 2];
  EXPECT_EQ(lines[n - 1], "--  115200 7N2 ASCII  result: 0 OK, tries: 1");
}

TEST_F(Monitor, ATimeoutShowsThreeTriesAndTheOutcome) {
  SimProcess sim({"--baud", "115200", "--silent"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  monitor.Clear();
  ASSERT_EQ(ProbeModule(), kLinkNoReply);
  monitor.Update();
  std::vector<std::string> expected;
  for (const char* t : {"1/3", "2/3", "3/3"}) {
    expected.push_back("--  115200 8N2 RTU    purge");
    expected.push_back(std::string("TX  115200 8N2 RTU    01 03 00 00 00 02 C4 0B  [try ") + t + "]");
    expected.push_back(std::string("--  115200 8N2 RTU    try ") + t + " failed: 1 timeout (no reply)");
  }
  expected.push_back("--  115200 8N2 RTU    result: 1 timeout (no reply), tries: 3");
  EXPECT_EQ(Tails(monitor), expected);
}

TEST_F(Monitor, AnEchoAndBytesAfterTheReplyShowApartFromIt) {
  // A 2-wire line hands the request back, and the module leaves a glitch after
  // its reply: the window's settle takes all three at once.
  SimProcess sim({"--baud", "115200", "--echo", "--trail", "3:0"});
  UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  monitor.Clear();
  ASSERT_EQ(ProbeModule(), kLinkOk);
  monitor.Update();
  const std::vector<std::string> lines = Tails(monitor);
  ASSERT_EQ(lines.size(), 6u) << testing::PrintToString(lines);
  EXPECT_EQ(lines[1], "TX  115200 8N2 RTU    01 03 00 00 00 02 C4 0B  [try 1/3]");
  EXPECT_EQ(lines[2], "EC  115200 8N2 RTU    01 03 00 00 00 02 C4 0B  [echo of the frame sent]");
  EXPECT_TRUE(std::regex_match(lines[3], std::regex("RX  115200 8N2 RTU    01 03 04 15 01( [0-9A-F]{2}){4}")))
      << lines[3];
  EXPECT_TRUE(std::regex_match(lines[4], std::regex("RX  115200 8N2 RTU    ([0-9A-F]{2} ?){3}  "
                                                    "\\[not part of a reply, thrown away\\]")))
      << lines[4];
  EXPECT_EQ(lines[5], "--  115200 8N2 RTU    result: 0 OK, tries: 1");
  SetUiLanguage(0);
  EXPECT_NE(Tail(monitor.Line(2)).find("[回显（本机发送的帧）]"), std::string::npos);
  SetUiLanguage(1);
}

// Run under ThreadSanitizer: the search's worker records while the test thread,
// playing the window's thread, keeps taking lines.
TEST_F(Monitor, ReadingWhileASearchRecords) {
  SimProcess sim({"--baud", "19200", "--mode", "1"});
  UsePort(sim.port(), 9600, 0);
  test::PumpDispatcher pump;
  test::MessageRecorder messages;
  ComSetModel dialog(pump, [&sim] { return std::vector<std::string>{sim.port()}; });
  dialog.Open();
  dialog.AutoLinkClick();
  ASSERT_TRUE(pump.PumpUntil([&] {
    monitor.Update();
    return !dialog.WorkerRunning();
  }));
  monitor.Update();
  EXPECT_EQ(dialog.status, "Detection successful, parameters configured! Please click on the connection!");
  std::vector<std::string> tx;
  for (const std::string& l : Tails(monitor))
    if (l.rfind("TX", 0) == 0) tx.push_back(l.substr(0, 22));
  // Six formats at 9600 and 8N2 at 19200 with three tries each, then the answered 8O1.
  ASSERT_EQ(tx.size(), 7u * 3u + 1u);
  EXPECT_EQ(tx.front(), "TX  9600 8N2 RTU      ");
  EXPECT_EQ(tx[17], "TX  9600 7E1 ASCII    ");
  EXPECT_EQ(tx[18], "TX  19200 8N2 RTU     ");
  EXPECT_EQ(tx.back(), "TX  19200 8O1 RTU     ");
}

}  // namespace
}  // namespace tolvane
