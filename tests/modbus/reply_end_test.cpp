// A try that ends when its reply is complete against one that sleeps the whole
// settle time, over the simulated coupler's faults, in both framings.
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
  LinkResult afterSettle, whenComplete;
  bool exception = false;  // the module's reply is an exception reply
  int trailing = 0;        // bytes after the reply within S; -1: a second copy of it
};

std::vector<TrafficEntry> RecordsSince(uint64_t from, TrafficEvent event) {
  std::vector<TrafficEntry> all, picked;
  uint64_t missed = 0;
  Traffic().ReadSince(from, 1000, all, &missed);
  for (TrafficEntry& e : all)
    if (e.record.event == event) picked.push_back(std::move(e));
  return picked;
}

TEST(ReplyEnd, SameOutcomeAsTheFullSettleUnlessBytesFollowACompleteReply) {
  const Case cases[] = {
      {"whole", {}, kLinkOk, kLinkOk},
      {"in two pieces", {"--split"}, kLinkOk, kLinkOk},
      {"late within W", {"--delay", "30"}, kLinkOk, kLinkOk},
      {"later than W", {"--delay", "500"}, kLinkNoReply, kLinkNoReply},
      {"another station", {"--reply-station", "2"}, kLinkUnexpectedReadReply, kLinkUnexpectedReadReply},
      {"bad check", {"--bad-crc"}, kLinkCheckError, kLinkCheckError},
      {"exception", {"--exception"}, kLinkUnexpectedReadReply, kLinkUnexpectedReadReply, true},
      {"twice", {"--twice", "20"}, kLinkCheckError, kLinkOk, false, -1},
      {"trailing garbage", {"--trail", "4:20"}, kLinkCheckError, kLinkOk, false, 4},
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
      const int settle = TimingFor(Request::Read, 115200).rtuSettle;  // 150 in both framings
      for (const ReplyEnd end : {ReplyEnd::kAfterSettle, ReplyEnd::kWhenComplete}) {
        const bool early = end == ReplyEnd::kWhenComplete;
        SCOPED_TRACE(std::string(c.name) + (rtu ? ", RTU" : ", ASCII") + (early ? ", when complete" : ", after S"));
        std::vector<std::string> args = {"--baud", "115200", "--mode", std::to_string(mode)};
        args.insert(args.end(), c.sim.begin(), c.sim.end());
        SimProcess sim(args);
        UsePort(sim.port(), 115200, mode);
        ASSERT_TRUE(Link().OpenPort());
        SetReplyEnd(end);
        sleeps.clear();
        const uint64_t from = Traffic().NextSeq();
        const LinkResult expected = early ? c.whenComplete : c.afterSettle;
        EXPECT_EQ(ReadRegisters(26), expected);

        // The window's pattern asks for S on every answered try; the early end never sleeps.
        if (early || expected == kLinkNoReply)
          EXPECT_TRUE(sleeps.empty());
        else
          EXPECT_EQ(sleeps, std::vector<int>(expected == kLinkOk ? 1 : 3, settle));
        // One record per answered try, holding what that try took: the reply, and
        // with the full settle whatever followed it within S.
        const std::vector<TrafficEntry> rx = RecordsSince(from, TrafficEvent::kRx);
        EXPECT_EQ(rx.size(), expected == kLinkNoReply ? 0u : expected == kLinkOk ? 1u : 3u);
        const size_t after = early ? 0 : c.trailing < 0 ? frame : static_cast<size_t>(c.trailing);
        for (const TrafficEntry& e : rx) EXPECT_EQ(e.bytes.size(), frame + after);

        if (c.trailing != 0) {
          // What followed the early end stayed queued: the next request's purge
          // throws it away, and that request is answered as usual.
          std::this_thread::sleep_for(std::chrono::milliseconds(60));
          const uint64_t next = Traffic().NextSeq();
          EXPECT_EQ(ReadRegisters(26), expected);
          const std::vector<TrafficEntry> purges = RecordsSince(next, TrafficEvent::kPurge);
          ASSERT_FALSE(purges.empty());
          // Counted as queued, where a 0xFF data byte still takes two.
          if (early) {
            EXPECT_GE(purges[0].record.code, c.trailing < 0 ? static_cast<int>(frame) : c.trailing);
          }
        }
        SetReplyEnd(ReplyEnd::kAfterSettle);
        Link().ClosePort();
      }
    }
  }
  SetSleepHook(nullptr);
}

}  // namespace
}  // namespace tolvane
