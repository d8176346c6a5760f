// Framing, checks and the transaction pattern over a controllable backend.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/comm_settings.h"
#include "core/language.h"
#include "modbus/modbus_master.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;
using Bytes = std::vector<uint8_t>;

Bytes Rtu(Bytes pdu) {
  uint16_t crc = Crc16(pdu.data(), pdu.size());
  pdu.push_back(crc & 0xFF);
  pdu.push_back(crc >> 8);
  return pdu;
}

Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string AsciiFrame(const Bytes& pdu) {
  static const char hex[] = "0123456789ABCDEF";
  std::string s = ":";
  for (uint8_t b : pdu) {
    s += hex[b >> 4];
    s += hex[b & 15];
  }
  uint8_t lrc = Lrc(pdu.data(), pdu.size());
  s += hex[lrc >> 4];
  s += hex[lrc & 15];
  return s + "\r\n";
}

class Framing : public ::testing::Test {
 protected:
  void SetUp() override {
    Comm() = CommSettings{};
    Comm().baud = 9600;
    ASSERT_TRUE(Link().OpenPortBare());
    SetSleepHook([this](int ms) { sleeps.push_back(ms); });
  }
  void TearDown() override { SetSleepHook(nullptr); }
  FakeLinkScope scope;
  std::vector<int> sleeps;
};

TEST_F(Framing, CrcAndLrcOfTheReferenceRequest) {
  const Bytes req{0x01, 0x03, 0x00, 0x00, 0x00, 0x02};
  EXPECT_EQ(Rtu(req), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
  EXPECT_EQ(Lrc(req.data(), req.size()), 0xFA);
}

TEST_F(Framing, ProbeGoesOutInBothFramings) {
  ProbeModule();
  ASSERT_FALSE(scope.fake().written.empty());
  EXPECT_EQ(scope.fake().written[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B}));
  scope.fake().written.clear();
  Comm().transferMode = 0;
  ProbeModule();
  ASSERT_EQ(scope.fake().written.size(), 3u);  // rebuilt and sent on every try
  for (const Bytes& w : scope.fake().written) EXPECT_EQ(w, Ascii(":010300000002FA\r\n"));
}

TEST_F(Framing, WriteRequestLayout) {
  const uint8_t data[8] = {0, 192, 0, 168, 0, 1, 0, 170};
  scope.fake().replies = {Rtu({0x01, 0x10, 0x00, 0x0C, 0x00, 0x04})};
  Comm().baud = 38400;
  EXPECT_EQ(WriteRegisters(12, 8, data), 0);
  EXPECT_EQ(scope.fake().written[0], Rtu({0x01, 0x10, 0x00, 0x0C, 0x00, 0x04, 0x08, 0, 192, 0, 168, 0, 1, 0, 170}));
  EXPECT_EQ(sleeps, (std::vector<int>{66}));
  EXPECT_EQ(scope.fake().waits, (std::vector<int>{200}));
}

TEST_F(Framing, ReadWaitsAndSettlesByRateAndFraming) {
  const Bytes reply = {0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00};
  scope.fake().replies = {Rtu(reply)};
  EXPECT_EQ(ReadRegisters(2), 0);
  EXPECT_EQ(scope.fake().waits, (std::vector<int>{100}));
  EXPECT_EQ(sleeps, (std::vector<int>{200}));
  Comm().transferMode = 0;
  scope.fake().waits.clear();
  sleeps.clear();
  scope.fake().replies = {Ascii(AsciiFrame(reply))};
  EXPECT_EQ(ReadRegisters(2), 0);
  EXPECT_EQ(scope.fake().waits, (std::vector<int>{150}));
  EXPECT_EQ(sleeps, (std::vector<int>{250}));
  // The decoded ASCII reply lies in the common layout.
  EXPECT_EQ(Reply()[3], 0x15);
  EXPECT_EQ(Reply()[4], 0x01);
  EXPECT_EQ(ReplyLength(), reply.size());
}

TEST_F(Framing, TimingTablesCoverEveryRateAndTheFallback) {
  EXPECT_EQ(TimingFor(Request::Probe, 1200).asciiSettle, 1400);
  EXPECT_EQ(TimingFor(Request::Probe, 57600).rtuWait, 50);
  EXPECT_EQ(TimingFor(Request::Probe, 14400).asciiWait, 200);
  EXPECT_EQ(TimingFor(Request::Read, 4800).rtuWait, 150);
  EXPECT_EQ(TimingFor(Request::Read, 300).asciiSettle, 100);
  EXPECT_EQ(TimingFor(Request::Write, 1200).rtuWait, 1200);
  EXPECT_EQ(TimingFor(Request::Write, 38400).asciiSettle, 100);
  EXPECT_EQ(TimingFor(Request::Write, 0).asciiWait, 400);
  // The silence between frames: 3.5 characters of 11 bits (RTU) or 10 (ASCII),
  // rounded up to the microsecond, and never below 1.75 ms.
  const struct {
    uint32_t baud;
    bool rtu;
    int64_t us;
  } gaps[] = {{1200, true, 32084}, {9600, true, 4011},  {9600, false, 3646},
              {19200, true, 2006}, {38400, true, 1750}, {115200, false, 1750}};
  for (const auto& g : gaps) EXPECT_EQ(FrameSilence(g.baud, g.rtu).count(), g.us) << g.baud << " " << g.rtu;
}

TEST_F(Framing, CorruptedReplyFailsTheCheckOnEveryTry) {
  Bytes bad = Rtu({0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00});
  bad[4] ^= 0x40;
  scope.fake().replies = {bad, bad, bad};
  EXPECT_EQ(ProbeModule(), 7);
  EXPECT_EQ(scope.fake().written.size(), 3u);
  EXPECT_EQ(scope.fake().purges, 3);
}

TEST_F(Framing, ExceptionRepliesAreMismatches) {
  const Bytes ex = Rtu({0x01, 0x83, 0x02});
  scope.fake().replies = {ex, ex, ex};
  EXPECT_EQ(ReadRegisters(26), 2);
  const Bytes wex = Rtu({0x01, 0x90, 0x02});
  scope.fake().replies = {wex, wex, wex};
  const uint8_t data[4] = {0x20, 0, 0, 3};
  EXPECT_EQ(WriteRegisters(5, 4, data), 3);
}

TEST_F(Framing, ProbeAcceptanceAtRegisterOne) {
  const Bytes low = Rtu({0x01, 0x03, 0x04, 0x15, 0x01, 0x0F, 0xFF});
  scope.fake().replies = {low, low, low};
  EXPECT_EQ(ProbeModule(), 3);
  EXPECT_EQ(scope.fake().written.size(), 3u);
  scope.fake().written.clear();
  scope.fake().replies = {Rtu({0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00})};
  EXPECT_EQ(ProbeModule(), 0);
  EXPECT_EQ(scope.fake().written.size(), 1u);
}

TEST_F(Framing, ReadReplyShorterThanAskedIsRefused) {
  const Bytes shortReply = Rtu({0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00});  // two registers, 26 asked
  scope.fake().replies = {shortReply, shortReply, shortReply};
  EXPECT_EQ(ReadRegisters(26), 2);
}

TEST_F(Framing, RepliesMustAnswerTheRequestSent) {
  // Every reply passes its check but answers another station or another request;
  // bytes after a reply, an echo of the request and a part of the request alone
  // make no difference to that, in either framing and with either reply end.
  const uint8_t data[8] = {0, 10, 0, 0, 0, 0, 0, 5};
  auto write = [&] { return WriteRegisters(12, sizeof data, data); };
  auto read = [] { return ReadRegisters(2); };
  const Bytes readRequest{0x01, 0x03, 0x00, 0x00, 0x00, 0x02};
  struct Case {
    const char* what;
    std::function<int()> request;
    Bytes reply;  // none: nothing but `after` comes back
    int expected;
    Bytes after = {};        // raw bytes behind the reply's frame
    Bytes requestPart = {};  // the first half of this request's own frame comes back instead
    bool garbled = false;    // ... or the whole frame with its middle byte changed, as a wrong rate hears it
  } cases[] = {
      {"write echo", write, {0x01, 0x10, 0x00, 0x0C, 0x00, 0x04}, 0},
      {"write echo from station 2", write, {0x02, 0x10, 0x00, 0x0C, 0x00, 0x04}, 3},
      {"echo of another address", write, {0x01, 0x10, 0x00, 0x10, 0x00, 0x04}, 3},
      {"echo of another quantity", write, {0x01, 0x10, 0x00, 0x0C, 0x00, 0x03}, 3},
      {"echo with a byte more", write, {0x01, 0x10, 0x00, 0x0C, 0x00, 0x04, 0x08}, 3},
      {"read reply", read, {0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00}, 0},
      {"read reply, then stray bytes", read, {0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00}, 0, {0x3A, 0x01, 0xFE}},
      {"stray bytes, then a read reply", read, {}, 7, Bytes{0x00} + Rtu({0x01, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00})},
      {"read reply from station 2", read, {0x02, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00}, 2},
      {"three registers for two", read, {0x01, 0x03, 0x06, 0x15, 0x01, 0x10, 0x00, 0x00, 0x00}, 2},
      {"byte count short of the data", read, {0x01, 0x03, 0x02, 0x15, 0x01, 0x10, 0x00}, 2},
      {"probe reply from station 2", ProbeModule, {0x02, 0x03, 0x04, 0x15, 0x01, 0x10, 0x00}, 3},
      {"no reply", read, {}, 1},
      {"half the request's frame", read, {}, 7, {}, readRequest},
      {"the request's frame garbled", read, {}, 7, {}, readRequest, true},
  };
  for (const bool echo : {false, true}) {
    for (const ReplyEnd end : {ReplyEnd::kAfterSettle, ReplyEnd::kWhenComplete}) {
      SetReplyEnd(end);
      scope.fake().echo = echo;
      for (int mode : {1, 0}) {
        Comm().transferMode = static_cast<uint8_t>(mode);
        for (const Case& c : cases) {
          SCOPED_TRACE(std::string(c.what) + (mode ? " (RTU" : " (ASCII") + (echo ? ", echo" : "") +
                       (end == ReplyEnd::kWhenComplete ? ", when complete)" : ", after S)"));
          Bytes frame = c.reply.empty() ? Bytes{} : mode == 1 ? Rtu(c.reply) : Ascii(AsciiFrame(c.reply));
          frame.insert(frame.end(), c.after.begin(), c.after.end());
          if (!c.requestPart.empty()) {
            frame = mode == 1 ? Rtu(c.requestPart) : Ascii(AsciiFrame(c.requestPart));
            if (c.garbled)
              frame[frame.size() / 2] ^= 0x01;
            else
              frame.resize(frame.size() / 2);
          }
          scope.fake().replies = frame.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{frame, frame, frame};
          scope.fake().written.clear();
          EXPECT_EQ(c.request(), c.expected);
          EXPECT_EQ(scope.fake().written.size(), c.expected == 0 ? 1u : 3u);
        }
      }
    }
  }
  SetReplyEnd(ReplyEnd::kAfterSettle);
}

TEST_F(Framing, NoReplyTimesOutAndFailedSendsAreFive) {
  EXPECT_EQ(ReadRegisters(26), 1);
  EXPECT_EQ(scope.fake().waits.size(), 3u);
  scope.fake().writeOk = false;
  EXPECT_EQ(ReadRegisters(26), 5);
  // An unknown framing sends nothing at all.
  scope.fake().writeOk = true;
  scope.fake().written.clear();
  Comm().transferMode = 2;
  EXPECT_EQ(ProbeModule(), 5);
  EXPECT_TRUE(scope.fake().written.empty());
}

TEST_F(Framing, RtuReplyTooShortForItsCrc) {
  scope.fake().replies = {{0x01, 0x03, 0x00}, {0x01}, {0x01, 0x03}};
  EXPECT_EQ(ReadRegisters(1), 7);
}

TEST_F(Framing, AsciiReplyChecks) {
  Comm().transferMode = 0;
  const Bytes pdu{0x01, 0x03, 0x02, 0x00, 0x1A};  // LRC E0
  std::string good = AsciiFrame(pdu);
  std::string lowerLrc = good;
  for (size_t i = lowerLrc.size() - 4; i < lowerLrc.size() - 2; ++i)
    lowerLrc[i] = static_cast<char>(std::tolower(lowerLrc[i]));
  ASSERT_NE(lowerLrc, good);  // the LRC of this frame has a letter digit
  std::string lowerData = good;
  lowerData[10] = 'a';  // "1A" -> "1a": decodes to a wrong value, so the LRC no longer fits
  std::string notDigit = good;
  notDigit[8] = 'X';
  struct Case {
    std::string frame;
    int expected;
  } cases[] = {{good, 0},
               {lowerLrc, 7},
               {lowerData, 7},
               {":01\r\n", 7},
               {good.substr(0, good.size() - 3) + "\r\n", 7},  // odd length
               {notDigit, 7}};
  for (const Case& c : cases) {
    scope.fake().replies = {Ascii(c.frame), Ascii(c.frame), Ascii(c.frame)};
    EXPECT_EQ(ReadRegisters(1), c.expected) << c.frame;
  }
}

TEST_F(Framing, LineErrorsAndOverfullQueues) {
  Bytes marked = Rtu({0x01, 0x03, 0x02, 0x00, 0x01});
  marked.insert(marked.begin() + 2, {0xFF, 0x00});
  scope.fake().replies = {marked, marked, marked};
  EXPECT_EQ(ReadRegisters(1), 11);
  scope.fake().forcedQueued = 5000;
  EXPECT_EQ(ReadRegisters(1), 12);
}

TEST(ReadReport, MessagesByResult) {
  MessageRecorder rec;
  SetUiLanguage(1);
  for (LinkResult code : {kLinkNoReply, kLinkUnexpectedReadReply, kLinkSendFailed, kLinkReceiveFailed, kLinkCheckError,
                          kLinkLineError, kLinkTooManyBytes, kLinkPortNotOpen})
    ReportReadResult(code);
  ReportReadResult(kLinkOk);
  EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"Communication timeout! Please Check!", "Communication Error!",
                                                   " Data transmission errors!", " Data receiving errors!",
                                                   "Check error!", " Data receiving errors!", " Data receiving errors!",
                                                   " Data receiving errors!"}));
  SetUiLanguage(0);
  ReportReadResult(kLinkUnexpectedReadReply);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().text, "通讯错误！");
  EXPECT_EQ(rec.messages.back().caption, "错误");
  EXPECT_EQ(rec.messages.back().owner, nullptr);
  SetUiLanguage(1);
}

}  // namespace
}  // namespace tolvane
