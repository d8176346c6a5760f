#include "modbus/modbus_master.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/comm_settings.h"
#include "core/message_rule.h"
#include "link/traffic_recorder.h"

namespace tolvane {
namespace {

// The two 256-entry tables of the byte-wise Modbus CRC: for each index the low
// and the high byte of eight reflected steps with the polynomial 0xA001.
struct CrcTables {
  uint8_t hi[256];
  uint8_t lo[256];
};
constexpr CrcTables MakeCrcTables() {
  CrcTables t{};
  for (int i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i);
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    t.hi[i] = static_cast<uint8_t>(crc & 0xFF);
    t.lo[i] = static_cast<uint8_t>(crc >> 8);
  }
  return t;
}
constexpr CrcTables kCrc = MakeCrcTables();
static_assert(kCrc.hi[1] == 0xC1 && kCrc.lo[1] == 0xC0 && kCrc.hi[255] == 0x40 && kCrc.lo[255] == 0x40);

const char kHex[] = "0123456789ABCDEF";

// A digit as the module's decoder reads it: only 0-9 and A-F are sound; a
// lower-case letter yields a wrong value (the sum still comes out of 8 bits).
bool DigitValue(char c, int& v) {
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f')
    v = c - 'A' + 10;
  else
    return false;
  return true;
}

// The try under way on this thread, so that the frames it sends and receives
// are recorded with it; 0 outside a transaction.
struct TryMark {
  int attempt = 0;
  int tries = 0;
};
thread_local TryMark t_try;

void RecordFrame(TrafficEvent event, const uint8_t* bytes, size_t n) {
  Traffic().Record(event, bytes, n, 0, t_try.attempt, t_try.tries);
}

LinkResult DecodeAsciiText(const uint8_t* text, size_t n, uint8_t* bin, size_t& pairs) {
  // A colon, one byte, the LRC and CR LF at the least, and whole digit pairs.
  if (n < 9 || (n - 5) % 2 != 0) return kLinkCheckError;
  pairs = (n - 5) / 2;
  for (size_t i = 0; i < pairs; ++i) {
    int h = 0, l = 0;
    if (!DigitValue(static_cast<char>(text[1 + 2 * i]), h) || !DigitValue(static_cast<char>(text[2 + 2 * i]), l))
      return kLinkCheckError;
    bin[i] = static_cast<uint8_t>(h * 16 + l);
  }
  const uint8_t lrc = Lrc(bin, pairs);
  if (text[n - 4] != static_cast<uint8_t>(kHex[lrc >> 4]) || text[n - 3] != static_cast<uint8_t>(kHex[lrc & 0x0F]))
    return kLinkCheckError;
  return kLinkOk;
}

// Records what a try took: the reply, and apart from it the stray bytes that
// followed it; those are cleared from the buffer.
size_t RecordTaken(uint8_t* bytes, size_t count, size_t reply) {
  if (reply == 0 || reply >= count) {
    RecordFrame(TrafficEvent::kRx, bytes, count);
    return count;
  }
  RecordFrame(TrafficEvent::kRx, bytes, reply);
  RecordFrame(TrafficEvent::kStray, bytes + reply, count - reply);
  std::memset(bytes + reply, 0, count - reply);
  return reply;
}

// reply: the length of the reply at the start of the bytes, when they begin with
// one; else every byte taken is checked as the reply.
LinkResult CheckRtu(const ReadResult& r, size_t reply = 0) {
  FrameBuffers& f = Frames();
  f.replyLength = 0;
  if (r.code != kLinkOk) return r.code;
  const size_t count = RecordTaken(f.rtuRx, r.count, reply);
  // Station, function and the two CRC bytes at the least.
  if (count < 4) return kLinkCheckError;
  if (Crc16(f.rtuRx, count) != 0) return kLinkCheckError;
  f.replyLength = count - 2;
  return kLinkOk;
}

LinkResult CheckAscii(const ReadResult& r, size_t reply = 0) {
  FrameBuffers& f = Frames();
  f.replyLength = 0;
  if (r.code != kLinkOk) return r.code;
  const size_t count = RecordTaken(f.asciiRx, r.count, reply);
  uint8_t bin[kFrameBufferSize / 2];
  size_t pairs = 0;
  const LinkResult checked = DecodeAsciiText(f.asciiRx, count, bin, pairs);
  if (checked != kLinkOk) return checked;
  std::memset(f.asciiRx, 0, sizeof f.asciiRx);
  std::memcpy(f.asciiRx, bin, pairs);
  f.replyLength = pairs;
  return kLinkOk;
}

std::atomic<ReplyEnd> g_replyEnd{ReplyEnd::kAfterSettle};

SleepHook g_sleep;
void Settle(int ms) {
  if (g_sleep)
    g_sleep(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const RequestTiming kProbeTiming[] = {
    {1200, 300, 800, 300, 1400}, {2400, 175, 400, 250, 700},  {4800, 125, 250, 200, 400},
    {9600, 100, 150, 150, 200},  {19200, 75, 150, 100, 150},  {38400, 50, 100, 100, 100},
    {57600, 50, 100, 100, 100},  {115200, 50, 100, 100, 100}, {0, 50, 100, 200, 100}};
const RequestTiming kReadTiming[] = {
    {1200, 300, 800, 700, 1400}, {2400, 175, 400, 400, 700},  {4800, 150, 250, 250, 350},
    {9600, 100, 200, 150, 250},  {19200, 75, 150, 150, 150},  {38400, 50, 150, 100, 150},
    {57600, 50, 150, 100, 150},  {115200, 50, 150, 100, 150}, {0, 100, 200, 200, 100}};
const RequestTiming kWriteTiming[] = {
    {1200, 1200, 800, 1400, 1400}, {2400, 700, 400, 800, 700},   {4800, 400, 250, 500, 350},
    {9600, 300, 150, 300, 200},    {19200, 200, 100, 200, 100},  {38400, 200, 66, 200, 100},
    {57600, 200, 100, 200, 100},   {115200, 200, 100, 200, 100}, {0, 200, 100, 400, 100}};

// A reply counts only when it names the station asked and answers the request
// that was sent: a late answer to an earlier request, or one from another
// station, must not pass for this one.
using ReplyTest = std::function<bool(const uint8_t* reply, size_t length)>;

thread_local TransactionReport t_report;

struct Transaction {
  Request kind;
  uint8_t station;
  FunctionCode function;
  int tries;
  LinkResult mismatch;
  bool rtuRebuildEachTry;
  size_t replyBytes;  // the binary reply the request asks for, without its check
  // Bytes that cannot become the reply end the try at once instead of at S, and
  // a complete reply is taken as it arrives, whatever the process-wide setting.
  bool endOnGarbage = false;
};

// An exception reply: station, function | 0x80, exception code.
constexpr size_t kExceptionReplyBytes = 3;

// The decoded body of a frame whose length and check are sound: a read's reply
// must also count the bytes it was asked for.
bool SoundBody(const Transaction& tr, const uint8_t* r) {
  return r[1] != kReadHoldingRegisters || r[2] == tr.replyBytes - 3;
}

// The binary reply's length by its function byte: the exception reply's, the one
// the request asks for, or 0 for a function that answers nothing sent.
size_t FrameBytesFor(const Transaction& tr, uint8_t function) {
  if (function == (tr.function | 0x80)) return kExceptionReplyBytes;
  if (function == tr.function) return tr.replyBytes;
  return 0;
}

FrameVerdict NeedMore(size_t upTo) { return {FrameVerdict::kNeedMore, upTo}; }
constexpr FrameVerdict kNotAReply{FrameVerdict::kNotAReply, 0};
constexpr FrameVerdict kComplete{FrameVerdict::kComplete, 0};

// The frame length the reply would have by its first bytes (station asked, the
// function sent or its exception), or 0 when they cannot begin that reply; upTo:
// how many bytes that judgement needs.
size_t RtuFrameLength(const Transaction& tr, const uint8_t* b, size_t count, size_t& upTo) {
  upTo = kExceptionReplyBytes + 2;
  if (count >= 1 && b[0] != tr.station) return 0;
  if (count < 2) return upTo;
  const size_t binary = FrameBytesFor(tr, b[1]);
  return binary ? binary + 2 : 0;
}

// A colon, two digits per byte and two for the LRC, CR LF.
constexpr size_t AsciiChars(size_t binary) { return 2 * binary + 5; }

size_t AsciiFrameLength(const Transaction& tr, const uint8_t* t, size_t count, size_t& upTo) {
  upTo = AsciiChars(kExceptionReplyBytes);
  if (count >= 1 && t[0] != ':') return 0;
  if (count < 5) return upTo;
  int sh = 0, sl = 0, fh = 0, fl = 0;
  if (!DigitValue(static_cast<char>(t[1]), sh) || !DigitValue(static_cast<char>(t[2]), sl) ||
      !DigitValue(static_cast<char>(t[3]), fh) || !DigitValue(static_cast<char>(t[4]), fl) ||
      sh * 16 + sl != tr.station)
    return 0;
  const size_t binary = FrameBytesFor(tr, static_cast<uint8_t>(fh * 16 + fl));
  return binary ? AsciiChars(binary) : 0;
}

// The length of the reply this request waits for when the bytes begin with it:
// the station asked, the function sent or its exception, the length that implies,
// a sound check. Whatever follows it is no part of it; 0 when the bytes do not
// begin with such a reply (nothing before a reply is ever skipped to find one).
size_t ReplyAtStart(const Transaction& tr, bool rtu, const uint8_t* b, size_t count) {
  size_t upTo = 0;
  if (rtu) {
    const size_t total = count >= 2 ? RtuFrameLength(tr, b, count, upTo) : 0;
    if (total == 0 || count < total || Crc16(b, total) != 0 || !SoundBody(tr, b)) return 0;
    return total;
  }
  const size_t total = count >= 5 ? AsciiFrameLength(tr, b, count, upTo) : 0;
  if (total == 0 || count < total || b[total - 2] != '\r' || b[total - 1] != '\n') return 0;
  uint8_t bin[kFrameBufferSize / 2];
  size_t pairs = 0;
  if (DecodeAsciiText(b, total, bin, pairs) != kLinkOk || !SoundBody(tr, bin)) return 0;
  return total;
}

// Whether the bytes so far are the reply that ends a try early. Bytes that cannot
// be it are left to the settle time, as without the early end.
FrameVerdict JudgeReply(const Transaction& tr, bool rtu, const uint8_t* b, size_t count) {
  size_t upTo = 0;
  const size_t total = rtu ? RtuFrameLength(tr, b, count, upTo) : AsciiFrameLength(tr, b, count, upTo);
  if (total == 0) return kNotAReply;
  if (count < (rtu ? 2u : 5u)) return NeedMore(upTo);
  if (count < total) return NeedMore(total);
  return ReplyAtStart(tr, rtu, b, count) ? kComplete : kNotAReply;
}

// A 2-wire line without echo suppression hands back the frame just sent before
// the reply. While the bytes so far repeat that frame they may be its echo: no
// more is read than the frame's length, so that the reply behind it stays queued,
// and the whole frame ends the take (the caller takes it off). No reply begins
// with its whole request, so a reply is never mistaken for the echo, and a part
// of the frame is never held back as one.
FrameVerdict WithEcho(FrameVerdict reply, const uint8_t* sent, size_t sentLength, const uint8_t* b, size_t count) {
  if (reply.kind == FrameVerdict::kComplete || count > sentLength || std::memcmp(b, sent, count) != 0) return reply;
  if (count == sentLength) return kComplete;
  const bool bounded = reply.kind == FrameVerdict::kNeedMore && reply.upTo > count;
  return NeedMore(bounded ? std::min(reply.upTo, sentLength) : sentLength);
}

bool BeginsWith(const uint8_t* b, size_t count, const uint8_t* frame, size_t length) {
  return count >= length && std::memcmp(b, frame, length) == 0;
}

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// One try's reply, taken after the request went out: the first byte within W,
// then either the bytes as they arrive until a reply is complete or S has passed
// (the early end), or everything queued after a sleep of S. An echo of the request
// is taken off; the reply's first byte is then awaited within W, and S counts from
// it. On success rx holds what was taken (count bytes); replyStart is when the
// reply's first byte was seen.
LinkResult TakeReply(const Transaction& tr, bool rtu, bool early, int wait, int settle, const uint8_t* sent,
                     size_t sentLength, size_t& count, Clock::time_point& replyStart) {
  SerialLink& link = Link();
  uint8_t* rx = rtu ? Frames().rtuRx : Frames().asciiRx;
  if (!link.WaitForReceive(wait)) return kLinkNoReply;
  replyStart = Clock::now();
  bool echoPossible = true;
  const FrameJudge judge = [&](const uint8_t* b, size_t n) {
    const FrameVerdict v = JudgeReply(tr, rtu, b, n);
    const FrameVerdict seen = echoPossible ? WithEcho(v, sent, sentLength, b, n) : v;
    return tr.endOnGarbage && seen.kind == FrameVerdict::kNotAReply ? kComplete : seen;
  };
  ReadResult r;
  if (early) {
    r = link.ReadReply(rx, settle, judge);
  } else {
    Settle(settle);
    r = link.ReadQueued(rx);
  }
  if (r.code != kLinkOk) return r.code;
  count = r.count;
  if (!BeginsWith(rx, count, sent, sentLength)) return kLinkOk;
  RecordFrame(TrafficEvent::kEcho, rx, sentLength);
  count -= sentLength;
  std::memmove(rx, rx + sentLength, count);
  std::memset(rx + count, 0, sentLength);
  echoPossible = false;
  if (ReplyAtStart(tr, rtu, rx, count)) return kLinkOk;
  // The reply is still to come, or part of it.
  if (count == 0 && !link.WaitForReceive(wait)) return kLinkNoReply;
  replyStart = Clock::now();
  if (early) {
    r = link.ReadReply(rx, settle, judge, count);
    if (r.code != kLinkOk) return r.code;
    count = r.count;
    return kLinkOk;
  }
  Settle(settle);
  uint8_t more[kFrameBufferSize];
  r = link.ReadQueued(more);
  if (r.code != kLinkOk) return r.code;
  if (count + r.count > kFrameBufferSize) return kLinkTooManyBytes;
  std::memcpy(rx + count, more, r.count);
  count += r.count;
  return kLinkOk;
}

LinkResult Run(const Transaction& tr, const std::function<size_t(uint8_t*)>& build, const ReplyTest& accept) {
  const CommSettings& c = Comm();
  t_report = {};
  if (c.transferMode > 1) {  // an unknown framing sends nothing
    t_report.result = kLinkSendFailed;
    Traffic().Record(TrafficEvent::kOutcome, nullptr, 0, kLinkSendFailed, 0, 0);
    return kLinkSendFailed;
  }
  const bool rtu = c.transferMode == 1;
  const RequestTiming t = TimingFor(tr.kind, c.baud);
  const int wait = rtu ? t.rtuWait : t.asciiWait;
  const int settle = rtu ? t.rtuSettle : t.asciiSettle;
  FrameBuffers& f = Frames();
  SerialLink& link = Link();
  const bool early = tr.endOnGarbage || g_replyEnd.load(std::memory_order_relaxed) == ReplyEnd::kWhenComplete;
  const std::chrono::microseconds silence = FrameSilence(c.baud, rtu);
  size_t n = 0;
  if (rtu && !tr.rtuRebuildEachTry) n = build(f.rtuTx);
  LinkResult result = kLinkNoReply;
  int attempt = 0;
  // Every way out of a try records its result; the transaction's outcome follows.
  auto tryFailed = [&](LinkResult r) {
    result = r;
    Traffic().Record(TrafficEvent::kTryFailed, nullptr, 0, r, attempt + 1, tr.tries);
  };
  for (; attempt < tr.tries; ++attempt) {
    t_try = {attempt + 1, tr.tries};
    t_report.refused = false;
    if (!rtu) {
      std::memset(f.asciiTx, 0, sizeof f.asciiTx);
      n = build(f.asciiTx);
    } else if (tr.rtuRebuildEachTry) {
      std::memset(f.rtuTx, 0, sizeof f.rtuTx);
      n = build(f.rtuTx);
    }
    link.PurgePort();
    // A module takes a request that starts before the line has been quiet for a
    // frame's gap as part of what it heard last, and drops it. A line that never
    // quiets gets the request after S all the same.
    link.WaitForSilence(silence, settle);
    if (!(rtu ? SendRtuFrame(n) : SendAsciiFrame(n))) {
      tryFailed(kLinkSendFailed);
      continue;
    }
    t_report.sent = true;
    const uint8_t* sent = rtu ? f.rtuTx : f.asciiTx;
    const size_t sentLength = rtu ? n + 2 : 2 * n + 5;
    size_t count = 0;
    Clock::time_point replyStart;
    LinkResult received = TakeReply(tr, rtu, early, wait, settle, sent, sentLength, count, replyStart);
    if (received == kLinkOk) {
      uint8_t* rx = rtu ? f.rtuRx : f.asciiRx;
      const size_t reply = ReplyAtStart(tr, rtu, rx, count);
      received = rtu ? CheckRtu({kLinkOk, count}, reply) : CheckAscii({kLinkOk, count}, reply);
    }
    if (received != kLinkOk) {
      tryFailed(received);
      continue;
    }
    // The try ends when the line has fallen silent after the reply, within S of
    // its first byte when it ends early; a glitch meanwhile is thrown away.
    link.WaitForSilence(silence, early ? MsLeft(replyStart + std::chrono::milliseconds(settle)) : settle);
    if (accept(Reply(), f.replyLength)) {
      result = kLinkOk;
      ++attempt;
      break;
    }
    const uint8_t* r = Reply();
    t_report.refused = f.replyLength >= 2 && r[0] == tr.station && r[1] == (tr.function | 0x80);
    tryFailed(tr.mismatch);
  }
  t_try = {};
  t_report.result = result;
  Traffic().Record(TrafficEvent::kOutcome, nullptr, 0, result, 0, std::min(attempt, tr.tries));
  return result;
}

// Station, function, byte count and exactly the registers asked for.
bool IsReadReply(const uint8_t* r, size_t len, uint8_t station, uint8_t count) {
  const size_t bytes = 2 * static_cast<size_t>(count);
  return len == 3 + bytes && r[0] == station && r[1] == kReadHoldingRegisters && r[2] == bytes;
}

// The module's answer to the probe carries a software version of 0x1000 or more
// in register 1.
constexpr uint16_t kProbeMinVersion = 0x1000;

size_t BuildRead(uint8_t* b, uint8_t station, uint8_t count) {
  b[0] = station;
  b[1] = kReadHoldingRegisters;
  b[2] = 0x00;
  b[3] = 0x00;
  b[4] = 0x00;
  b[5] = count;
  return 6;
}

}  // namespace

FrameBuffers& Frames() {
  static FrameBuffers buffers{};
  return buffers;
}

std::chrono::microseconds FrameSilence(uint32_t baud, bool rtu) {
  const int64_t bits = rtu ? 11 : 10;
  const int64_t us = baud ? (35 * bits * 100'000 + baud - 1) / baud : 0;
  return std::chrono::microseconds(std::max<int64_t>(us, 1750));
}

const TransactionReport& LastTransaction() { return t_report; }

void SetSleepHook(SleepHook hook) { g_sleep = std::move(hook); }

void SetReplyEnd(ReplyEnd end) { g_replyEnd.store(end, std::memory_order_relaxed); }
ReplyEnd GetReplyEnd() { return g_replyEnd.load(std::memory_order_relaxed); }

uint16_t Crc16(const uint8_t* data, size_t n) {
  uint8_t hi = 0xFF, lo = 0xFF;
  for (size_t i = 0; i < n; ++i) {
    uint8_t idx = hi ^ data[i];
    hi = lo ^ kCrc.hi[idx];
    lo = kCrc.lo[idx];
  }
  // hi is the byte that goes first on the wire.
  return static_cast<uint16_t>(hi | (lo << 8));
}

uint8_t Lrc(const uint8_t* data, size_t n) {
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum = static_cast<uint8_t>(sum + data[i]);
  return static_cast<uint8_t>(-sum);
}

bool SendRtuFrame(size_t n) {
  SerialLink& link = Link();
  if (!link.IsOpen() || n + 2 > kFrameBufferSize) return false;
  uint8_t* b = Frames().rtuTx;
  uint16_t crc = Crc16(b, n);
  b[n] = static_cast<uint8_t>(crc & 0xFF);
  b[n + 1] = static_cast<uint8_t>(crc >> 8);
  RecordFrame(TrafficEvent::kTx, b, n + 2);
  return link.WriteRaw(b, n + 2);
}

bool SendAsciiFrame(size_t n) {
  SerialLink& link = Link();
  if (!link.IsOpen() || 2 * n + 5 > kFrameBufferSize) return false;
  uint8_t* b = Frames().asciiTx;
  uint8_t bin[kFrameBufferSize / 2];
  std::memcpy(bin, b, n);
  b[0] = ':';
  for (size_t i = 0; i < n; ++i) {
    b[1 + 2 * i] = static_cast<uint8_t>(kHex[bin[i] >> 4]);
    b[2 + 2 * i] = static_cast<uint8_t>(kHex[bin[i] & 0x0F]);
  }
  const uint8_t lrc = Lrc(bin, n);
  b[1 + 2 * n] = static_cast<uint8_t>(kHex[lrc >> 4]);
  b[2 + 2 * n] = static_cast<uint8_t>(kHex[lrc & 0x0F]);
  b[3 + 2 * n] = '\r';
  b[4 + 2 * n] = '\n';
  RecordFrame(TrafficEvent::kTx, b, 2 * n + 5);
  return link.WriteRaw(b, 2 * n + 5);
}

LinkResult ReceiveRtuFrame() { return CheckRtu(Link().ReadQueued(Frames().rtuRx)); }

LinkResult ReceiveAsciiFrame() { return CheckAscii(Link().ReadQueued(Frames().asciiRx)); }

const uint8_t* Reply() { return Comm().transferMode == 0 ? Frames().asciiRx : Frames().rtuRx; }
size_t ReplyLength() { return Frames().replyLength; }

RequestTiming TimingFor(Request request, uint32_t baud) {
  const RequestTiming* table = request == Request::Probe  ? kProbeTiming
                               : request == Request::Read ? kReadTiming
                                                          : kWriteTiming;
  for (int i = 0; i < 8; ++i)
    if (table[i].baud == baud) return table[i];
  return table[8];
}

LinkResult ProbeModule() {
  const uint8_t station = Comm().station;
  return Run(
      {.kind = Request::Probe,
       .station = station,
       .function = kReadHoldingRegisters,
       .tries = 3,
       .mismatch = kLinkUnexpectedReply,
       .rtuRebuildEachTry = false,
       .replyBytes = 3 + 2 * 2},
      [&](uint8_t* b) { return BuildRead(b, station, 2); },
      [&](const uint8_t* r, size_t len) {
        return IsReadReply(r, len, station, 2) && r[5] * 256 + r[6] >= kProbeMinVersion;
      });
}

LinkResult ProbeOnce() {
  const uint8_t station = Comm().station;
  // A try that ends before any receive must not leave an earlier reply to be read as this one's.
  Frames().replyLength = 0;
  return Run(
      {.kind = Request::Probe,
       .station = station,
       .function = kReadHoldingRegisters,
       .tries = 1,
       .mismatch = kLinkUnexpectedReply,
       .rtuRebuildEachTry = false,
       .replyBytes = 3 + 2 * 2,
       .endOnGarbage = true},
      [&](uint8_t* b) { return BuildRead(b, station, 2); },
      [&](const uint8_t* r, size_t len) {
        return IsReadReply(r, len, station, 2) && r[5] * 256 + r[6] >= kProbeMinVersion;
      });
}

bool AnsweredByStation() {
  const uint8_t* r = Reply();
  const TransactionReport& t = LastTransaction();
  return t.sent && ReplyLength() >= 2 && r[0] == Comm().station && (r[1] & 0x7F) == kReadHoldingRegisters;
}

LinkResult ReadRegisters(uint8_t count) {
  const uint8_t station = Comm().station;
  return Run(
      {.kind = Request::Read,
       .station = station,
       .function = kReadHoldingRegisters,
       .tries = 3,
       .mismatch = kLinkUnexpectedReadReply,
       .rtuRebuildEachTry = false,
       .replyBytes = 3 + 2 * static_cast<size_t>(count)},
      [&](uint8_t* b) { return BuildRead(b, station, count); },
      [&](const uint8_t* r, size_t len) { return IsReadReply(r, len, station, count); });
}

LinkResult ReadRegistersReported(uint8_t count) {
  const LinkResult r = ReadRegisters(count);
  if (r != kLinkOk) ReportReadResult(r);
  return r;
}

LinkResult WriteRegisters(uint16_t address, size_t length, const uint8_t* data) {
  // Leave room for the ASCII encoding of the whole request.
  if (7 + length > (kFrameBufferSize - 5) / 2) return kLinkSendFailed;
  const uint8_t station = Comm().station;
  // Start address and quantity, as sent and as the echo must repeat them.
  const uint8_t head[4] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF),
                           static_cast<uint8_t>((length / 2) >> 8), static_cast<uint8_t>((length / 2) & 0xFF)};
  auto build = [&](uint8_t* b) {
    b[0] = station;
    b[1] = kWriteMultipleRegisters;
    std::memcpy(b + 2, head, sizeof head);
    b[6] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(b + 7, data, length);
    return 7 + length;
  };
  auto accept = [&](const uint8_t* r, size_t len) {
    return len == 6 && r[0] == station && r[1] == kWriteMultipleRegisters && std::memcmp(r + 2, head, 4) == 0;
  };
  return Run({.kind = Request::Write,
              .station = station,
              .function = kWriteMultipleRegisters,
              .tries = 3,
              .mismatch = kLinkUnexpectedReply,
              .rtuRebuildEachTry = true,
              .replyBytes = 6},  // the echo of station, function, address and quantity
             build, accept);
}

const TextPair& ReadResultText(LinkResult r) {
  switch (r) {
    case kLinkNoReply:
      return txt::kTimeout;
    case kLinkSendFailed:
      return txt::kSendError;
    case kLinkReceiveFailed:
    case kLinkLineError:
    case kLinkTooManyBytes:
    case kLinkPortNotOpen:
      return txt::kReceiveError;
    case kLinkCheckError:
      return txt::kCheckError;
    default:
      return txt::kCommError;
  }
}

void ReportReadResult(LinkResult r) {
  if (r == kLinkOk) return;
  ShowReadFailurePair(ReadResultText(r));
}

}  // namespace tolvane
