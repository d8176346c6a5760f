// SerialLink's own rules, over a backend that produces what a pty cannot.
#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/traffic_recorder.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;

TEST(SerialLink, SettingsText) {
  EXPECT_EQ(LineSettingsText(9600, 2, 8, 1), "baud=9600 parity=E data=8 stop=1");
  EXPECT_EQ(LineSettingsText(9600, 0, 8, 1), "baud=9600 parity=N data=8 stop=1");
  EXPECT_EQ(ParityLetter(3), 'M');
  EXPECT_EQ(ParityLetter(4), 'S');
}

TEST(SerialLink, OpenAppliesSettings) {
  FakeLinkScope scope;
  Comm() = CommSettings{};
  Comm().baud = 1200;
  Comm().parity = 1;
  ASSERT_TRUE(Link().OpenPort());
  ASSERT_EQ(scope.fake().applied.size(), 1u);
  EXPECT_EQ(scope.fake().applied[0], (LineSettings{1200, 'O', 8, 2}));
  // Opening again closes the held port first; the bare open applies no line settings.
  ASSERT_TRUE(Link().OpenPortBare());
  EXPECT_EQ(scope.fake().closes, 1);
  EXPECT_EQ(scope.fake().applied.size(), 1u);
  scope.fake().applyOk = false;
  EXPECT_FALSE(Link().OpenPort());
  EXPECT_TRUE(Link().IsOpen());  // a failed apply leaves the port open
}

TEST(SerialLink, ReadQueuedResults) {
  FakeLinkScope scope;
  uint8_t buf[kFrameBufferSize];
  EXPECT_EQ(Link().ReadQueued(buf).code, 13);
  Comm() = CommSettings{};
  ASSERT_TRUE(Link().OpenPortBare());
  scope.fake().incoming.assign(4097, 0x11);
  EXPECT_EQ(Link().ReadQueued(buf).code, 12);
  EXPECT_EQ(scope.fake().incoming.size(), 4097u);  // left queued
  scope.fake().incoming.assign(4096, 0x22);
  ReadResult full = Link().ReadQueued(buf);
  EXPECT_EQ(full.code, 0);
  EXPECT_EQ(full.count, 4096u);
  scope.fake().incoming = {0x01, 0xFF, 0x00, 0x41, 0x02};  // a byte marked bad
  EXPECT_EQ(Link().ReadQueued(buf).code, 11);
  scope.fake().incoming = {0x01, 0xFF, 0xFF, 0x02, 0xFF};  // a trailing lone FF is data
  ReadResult r = Link().ReadQueued(buf);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.count, 4u);
  EXPECT_EQ(buf[1], 0xFF);
  EXPECT_EQ(buf[2], 0x02);
  EXPECT_EQ(buf[3], 0xFF);
}

TEST(SerialLink, ReadReplyTakesNoMoreThanTheJudgeAllows) {
  FakeLinkScope scope;
  Comm() = CommSettings{};
  ASSERT_TRUE(Link().OpenPortBare());
  uint8_t buf[kFrameBufferSize];
  // Three data bytes make the reply; a doubled FF is one of them, even when a read cuts it.
  auto three = [](const uint8_t*, size_t count) {
    return count >= 3 ? FrameVerdict{FrameVerdict::kComplete} : FrameVerdict{FrameVerdict::kNeedMore, 3};
  };
  scope.fake().incoming = {0x01, 0xFF, 0xFF, 0x02, 0x09, 0x09};
  ReadResult r = Link().ReadReply(buf, 50, three);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.count, 3u);
  EXPECT_EQ(buf[1], 0xFF);
  EXPECT_EQ(buf[2], 0x02);
  EXPECT_EQ(scope.fake().incoming, (std::vector<uint8_t>{0x09, 0x09}));  // left for the next purge
  scope.fake().incoming = {0x01, 0xFF, 0x00, 0x41};                      // a mark cut by the bound
  EXPECT_EQ(Link().ReadReply(buf, 50, three).code, 11);
  // Incomplete when the limit passes, or no reply at all: everything queued is taken.
  scope.fake().incoming = {0x01, 0x02};
  r = Link().ReadReply(buf, 50, three);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.count, 2u);
  scope.fake().incoming = {0x07, 0x08, 0x09, 0x0A, 0x0B};
  r = Link().ReadReply(buf, 50, [](const uint8_t*, size_t) { return FrameVerdict{FrameVerdict::kNotAReply}; });
  EXPECT_EQ(r.count, 5u);
  EXPECT_TRUE(scope.fake().incoming.empty());
  scope.fake().incoming.assign(4097, 0x11);
  EXPECT_EQ(Link().ReadReply(buf, 50, three).code, 12);
  // A line that keeps waking the wait without bytes is not asked again and again.
  scope.fake().incoming.clear();
  scope.fake().waits.clear();
  scope.fake().wakeWithoutBytes = true;
  r = Link().ReadReply(buf, 20, three);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.count, 0u);
  EXPECT_EQ(scope.fake().waits.size(), 2u);
}

TEST(SerialLink, SilenceCountsFromTheLastActivityAndThrowsBytesAway) {
  FakeLinkScope scope;
  Comm() = CommSettings{};
  // The fake line answers every wait at once, so a gap far longer than a real
  // one costs nothing, and no stall of a busy machine between a step's activity
  // and its wait can use it up (a 1200 baud gap, 32 ms, could be).
  const std::chrono::microseconds gap(2'000'000);
  ASSERT_TRUE(Link().OpenPortBare());
  std::vector<int>& quiet = scope.fake().quietWaits;
  struct Step {
    const char* what;
    bool quietReached;
    size_t waits;  // quiet waits asked of the backend by this step
    size_t thrownAway;
    bool sends = false;             // a frame first
    std::vector<uint8_t> queued{};  // bytes that arrive meanwhile
    long countWithoutBytes = -1;    // a queue count that reads yield nothing of
  } steps[] = {
      {"just opened: the whole gap", true, 1, 0},
      {"quiet since: no wait", true, 0, 0},
      {"a frame sent: the gap again", true, 1, 0, true},
      {"bytes queued meanwhile: thrown away, then the gap", true, 1, 3, false, {7, 8, 9}},
      {"a count that yields no bytes: given up", false, 0, 0, false, {}, 5},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const uint8_t frame[1] = {1};
    if (step.sends) Link().WriteRaw(frame, 1);
    scope.fake().incoming = step.queued;
    if (step.countWithoutBytes >= 0) scope.fake().forcedQueued = step.countWithoutBytes;
    const size_t asked = quiet.size();
    const uint64_t from = Traffic().NextSeq();
    EXPECT_EQ(Link().WaitForSilence(gap, 5000), step.quietReached);
    ASSERT_EQ(quiet.size() - asked, step.waits);
    // Counted from the activity, never longer than the gap.
    if (step.waits) {
      EXPECT_LE(quiet.back(), 2000);
      EXPECT_GT(quiet.back(), 0);
    }
    std::vector<TrafficEntry> records;
    Traffic().ReadSince(from, 10, records, nullptr);
    size_t stray = 0;
    for (const TrafficEntry& e : records) stray += e.record.event == TrafficEvent::kStray ? e.bytes.size() : 0;
    EXPECT_EQ(stray, step.thrownAway);
    EXPECT_TRUE(scope.fake().incoming.empty());
  }
}

TEST(SerialLink, WriteAndWaitNeedAnOpenPort) {
  FakeLinkScope scope;
  const uint8_t b[2] = {1, 2};
  EXPECT_FALSE(Link().WriteRaw(b, 2));
  EXPECT_FALSE(Link().WaitForReceive(10));
  Comm() = CommSettings{};
  ASSERT_TRUE(Link().OpenPortBare());
  EXPECT_TRUE(Link().WriteRaw(b, 2));
  scope.fake().writeOk = false;
  EXPECT_FALSE(Link().WriteRaw(b, 2));
}

struct OpenCase {
  int err;
  int language;
  const char* text;
  const char* caption;
};

class OpenMessages : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenMessages, ShowTheMessageOfTheErrorAndReturn8) {
  FakeLinkScope scope;
  MessageRecorder rec;
  SetUiLanguage(GetParam().language);
  scope.fake().openError = GetParam().err;
  int owner = 0;
  EXPECT_EQ(Link().OpenPortWithMessages(&owner), 8);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].text, GetParam().text);
  EXPECT_EQ(rec.messages[0].caption, GetParam().caption);
  EXPECT_EQ(rec.messages[0].owner, &owner);  // both languages keep the owner here
  ASSERT_FALSE(rec.cursorLog.empty());
  EXPECT_FALSE(rec.cursorLog.back());  // the wait cursor ends before the box
  SetUiLanguage(1);
}

// The system's own codes: file-not-found, access-denied and others on Windows.
#ifdef _WIN32
constexpr int kMissing = 2, kMissingToo = 2, kBusy = 5, kOther = 31, kOtherToo = 87;
#else
constexpr int kMissing = ENOENT, kMissingToo = ENXIO, kBusy = EBUSY, kOther = ENOTTY, kOtherToo = EIO;
#endif

INSTANTIATE_TEST_SUITE_P(
    Errors, OpenMessages,
    ::testing::Values(OpenCase{kMissing, 1, "Specified communication port does not exist!", "Remind"},
                      OpenCase{kMissingToo, 0, "指定的通讯口不存在", "错误"},
                      OpenCase{kBusy, 1, "Specified communication port has been occupied by other tasks!", "Remind"},
                      OpenCase{kOther, 0, "初始化通讯口失败！请检查硬件以及通讯参数的设置。", "错误"},
                      OpenCase{kOtherToo, 7,
                               "Failed to initialize the communication port! Please check the hardware as well "
                               "as the setting of communication parameters.",
                               "Remind"}));

}  // namespace
}  // namespace tolvane
