// How a try takes its reply from the simulated coupler, in both framings and
// with both reply ends: the silence kept around every frame, bytes that follow a
// reply, and the echo of a 2-wire line. Every case runs two reads back to back
// against a module that ignores a request beginning too soon after its reply.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/comm_settings.h"
#include "link/traffic_recorder.h"
#include "modbus/modbus_master.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::SimProcess;
using test::UsePort;

struct Case {
  const char* name;
  std::vector<std::string> sim;
  LinkResult result;  // the same with either reply end
  size_t taken = 0;   // bytes after the module's frame that each answered try takes with it
  size_t stray = 0;   // bytes after a good reply, thrown away, per read
  bool exception = false;
  bool echo = false;
  int reads = 2;
  size_t requests = 0;  // what the module has taken when the reads end, when not every try
  uint32_t baud = 9600;
};

std::vector<TrafficEntry> RecordsSince(uint64_t from, TrafficEvent event) {
  std::vector<TrafficEntry> all, picked;
  uint64_t missed = 0;
  Traffic().ReadSince(from, 1000, all, &missed);
  for (TrafficEntry& e : all)
    if (e.record.event == event) picked.push_back(std::move(e));
  return picked;
}

// 9600 baud: a reply 30 ms late lies well inside W (100 ms RTU, 150 ASCII).
// Bytes that follow a reply 1 ms after it must come within the frame gap, which
// is about 4 ms at 9600: a busy machine can hold the simulator back longer than
// that, so those cases run at 1200 baud, where the gap is 32 ms.
TEST(ReplyEnd, SilenceStrayBytesAndEchoInBothFramingsAndTimings) {
  const Case cases[] = {
      {"whole", {}, kLinkOk},
      {"in two pieces", {"--split"}, kLinkOk},
      {"late within W", {"--delay", "30"}, kLinkOk},
      // The late replies would answer the next read's tries: one read only. The
      // module, busy with the first request for 1.5 s, has not heard the others
      // yet: three tries end within half a second.
      {"later than W", {"--delay", "1500"}, kLinkNoReply, 0, 0, false, false, 1, 1},
      {"another station, bytes after it", {"--reply-station", "2", "--trail", "4:20"}, kLinkCheckError, 4},
      {"bad check, bytes after it", {"--bad-crc", "--trail", "4:20"}, kLinkCheckError, 4},
      {"exception", {"--exception"}, kLinkUnexpectedReadReply, 0, 0, true},
      {"a second copy right after", {"--twice", "1"}, kLinkOk, 0, 57, false, false, 2, 0, 1200},
      {"a glitch 1 ms after the reply", {"--trail", "5:1"}, kLinkOk, 0, 5, false, false, 2, 0, 1200},
      {"echo", {"--echo"}, kLinkOk, 0, 0, false, true},
      {"echo, then a late reply", {"--echo", "--delay", "30"}, kLinkOk, 0, 0, false, true},
      {"echo and a glitch", {"--echo", "--trail", "5:1"}, kLinkOk, 0, 5, false, true, 2, 0, 1200},
      {"echo only", {"--echo", "--silent"}, kLinkNoReply, 0, 0, false, true, 1},
      {"echo in two pieces, then the reply in two", {"--echo", "--split"}, kLinkOk, 0, 0, false, true},
  };
  std::vector<int> sleeps;
  SetSleepHook([&](int ms) {
    sleeps.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  });
  for (const Case& c : cases) {
    for (const uint8_t mode : {0, 3}) {
      const bool rtu = mode == 0;
      const size_t frame = rtu ? (c.exception ? 5 : 57) : (c.exception ? 11 : 115);
      const size_t request = rtu ? 8 : 17;
      const int settle = c.baud == 1200 ? (rtu ? 800 : 1400) : (rtu ? 200 : 250);  // S of a read
      for (const ReplyEnd end : {ReplyEnd::kAfterSettle, ReplyEnd::kWhenComplete}) {
        const bool early = end == ReplyEnd::kWhenComplete;
        SCOPED_TRACE(std::string(c.name) + (rtu ? ", RTU" : ", ASCII") + (early ? ", when complete" : ", after S"));
        const std::string baud = std::to_string(c.baud);
        std::vector<std::string> args = {"--baud", baud, "--mode", std::to_string(mode), "--check-silence"};
        args.insert(args.end(), c.sim.begin(), c.sim.end());
        SimProcess sim(args);
        UsePort(sim.port(), c.baud, mode);
        ASSERT_TRUE(Link().OpenPort());
        SetReplyEnd(end);
        sleeps.clear();
        const uint64_t from = Traffic().NextSeq();
        for (int i = 0; i < c.reads; ++i) EXPECT_EQ(ReadRegisters(26), c.result) << "read " << i + 1;

        const size_t tries = c.result == kLinkOk ? 1 : 3;
        const size_t answered = c.result == kLinkNoReply ? 0 : tries;
        const size_t heard = c.echo ? tries : answered;  // tries in which any byte came back
        // Every request was sent into a quiet line, so the module took each one.
        EXPECT_EQ(sim.Requests().size(), c.requests ? c.requests : tries * c.reads);
        for (const std::string& line : sim.LogLines()) EXPECT_EQ(line.find("request began"), std::string::npos) << line;
        // One record per answered try, holding the module's frame and what the
        // try had to take with it: a reply is never cut short of bytes that
        // spoil it, nor made longer by bytes after it.
        const std::vector<TrafficEntry> rx = RecordsSince(from, TrafficEvent::kRx);
        EXPECT_EQ(rx.size(), answered * c.reads);
        for (const TrafficEntry& e : rx) EXPECT_EQ(e.bytes.size(), frame + c.taken);
        // Bytes after a good reply are thrown away within its try, where the
        // monitor shows them (a doubled 0xFF of the raw line may add to them).
        size_t stray = 0;
        for (const TrafficEntry& e : RecordsSince(from, TrafficEvent::kStray)) stray += e.bytes.size();
        if (c.stray)
          EXPECT_GE(stray, c.stray * c.reads);
        else
          EXPECT_EQ(stray, 0u);
        // The echo is taken off every try that heard one, as the whole request.
        const std::vector<TrafficEntry> echoes = RecordsSince(from, TrafficEvent::kEcho);
        EXPECT_EQ(echoes.size(), c.echo ? tries * c.reads : 0u);
        for (const TrafficEntry& e : echoes) EXPECT_EQ(e.bytes.size(), request);
        // The window's pattern sleeps S once on every try that heard something;
        // the early end never sleeps.
        EXPECT_EQ(sleeps, early ? std::vector<int>{} : std::vector<int>(heard * c.reads, settle));
        SetReplyEnd(ReplyEnd::kAfterSettle);
        Link().ClosePort();
      }
    }
  }
  SetSleepHook(nullptr);
}

}  // namespace
}  // namespace tolvane
