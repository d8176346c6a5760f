#include "modbus/modbus_master.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "app/message_rule.h"
#include "connection/comm_settings.h"

namespace tolvane {
namespace {

const uint8_t kCrcHi[256] = {
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0,
    0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0,
    0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0,
    0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0,
    0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1,
    0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0,
    0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40,
    0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41, 0x01, 0xC0, 0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0,
    0x80, 0x41, 0x00, 0xC1, 0x81, 0x40, 0x00, 0xC1, 0x81, 0x40, 0x01, 0xC0, 0x80, 0x41};
const uint8_t kCrcLo[256] = {
    0x00, 0xC0, 0xC1, 0x01, 0xC3, 0x03, 0x02, 0xC2, 0xC6, 0x06, 0x07, 0xC7, 0x05, 0xC5, 0xC4, 0x04, 0xCC, 0x0C,
    0x0D, 0xCD, 0x0F, 0xCF, 0xCE, 0x0E, 0x0A, 0xCA, 0xCB, 0x0B, 0xC9, 0x09, 0x08, 0xC8, 0xD8, 0x18, 0x19, 0xD9,
    0x1B, 0xDB, 0xDA, 0x1A, 0x1E, 0xDE, 0xDF, 0x1F, 0xDD, 0x1D, 0x1C, 0xDC, 0x14, 0xD4, 0xD5, 0x15, 0xD7, 0x17,
    0x16, 0xD6, 0xD2, 0x12, 0x13, 0xD3, 0x11, 0xD1, 0xD0, 0x10, 0xF0, 0x30, 0x31, 0xF1, 0x33, 0xF3, 0xF2, 0x32,
    0x36, 0xF6, 0xF7, 0x37, 0xF5, 0x35, 0x34, 0xF4, 0x3C, 0xFC, 0xFD, 0x3D, 0xFF, 0x3F, 0x3E, 0xFE, 0xFA, 0x3A,
    0x3B, 0xFB, 0x39, 0xF9, 0xF8, 0x38, 0x28, 0xE8, 0xE9, 0x29, 0xEB, 0x2B, 0x2A, 0xEA, 0xEE, 0x2E, 0x2F, 0xEF,
    0x2D, 0xED, 0xEC, 0x2C, 0xE4, 0x24, 0x25, 0xE5, 0x27, 0xE7, 0xE6, 0x26, 0x22, 0xE2, 0xE3, 0x23, 0xE1, 0x21,
    0x20, 0xE0, 0xA0, 0x60, 0x61, 0xA1, 0x63, 0xA3, 0xA2, 0x62, 0x66, 0xA6, 0xA7, 0x67, 0xA5, 0x65, 0x64, 0xA4,
    0x6C, 0xAC, 0xAD, 0x6D, 0xAF, 0x6F, 0x6E, 0xAE, 0xAA, 0x6A, 0x6B, 0xAB, 0x69, 0xA9, 0xA8, 0x68, 0x78, 0xB8,
    0xB9, 0x79, 0xBB, 0x7B, 0x7A, 0xBA, 0xBE, 0x7E, 0x7F, 0xBF, 0x7D, 0xBD, 0xBC, 0x7C, 0xB4, 0x74, 0x75, 0xB5,
    0x77, 0xB7, 0xB6, 0x76, 0x72, 0xB2, 0xB3, 0x73, 0xB1, 0x71, 0x70, 0xB0, 0x50, 0x90, 0x91, 0x51, 0x93, 0x53,
    0x52, 0x92, 0x96, 0x56, 0x57, 0x97, 0x55, 0x95, 0x94, 0x54, 0x9C, 0x5C, 0x5D, 0x9D, 0x5F, 0x9F, 0x9E, 0x5E,
    0x5A, 0x9A, 0x9B, 0x5B, 0x99, 0x59, 0x58, 0x98, 0x88, 0x48, 0x49, 0x89, 0x4B, 0x8B, 0x8A, 0x4A, 0x4E, 0x8E,
    0x8F, 0x4F, 0x8D, 0x4D, 0x4C, 0x8C, 0x44, 0x84, 0x85, 0x45, 0x87, 0x47, 0x46, 0x86, 0x82, 0x42, 0x43, 0x83,
    0x41, 0x81, 0x80, 0x40};

const char kHex[] = "0123456789ABCDEF";

// A digit as the module's decoder reads it: only 0-9 and A-F are sound; a
// lower-case letter yields a wrong value (the sum still comes out of 8 bits).
bool DigitValue(char c, int& v) {
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f') v = c - 'A' + 10;
  else return false;
  return true;
}

SleepHook g_sleep;
void Settle(int ms) {
  if (g_sleep) g_sleep(ms);
  else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const RequestTiming kProbeTiming[] = {
    {1200, 300, 800, 300, 1400}, {2400, 175, 400, 250, 700},   {4800, 125, 250, 200, 400},
    {9600, 100, 150, 150, 200},  {19200, 75, 150, 100, 150},   {38400, 50, 100, 100, 100},
    {57600, 50, 100, 100, 100},  {115200, 50, 100, 100, 100},  {0, 50, 100, 200, 100}};
const RequestTiming kReadTiming[] = {
    {1200, 300, 800, 700, 1400}, {2400, 175, 400, 400, 700},  {4800, 150, 250, 250, 350},
    {9600, 100, 200, 150, 250},  {19200, 75, 150, 150, 150},  {38400, 50, 150, 100, 150},
    {57600, 50, 150, 100, 150},  {115200, 50, 150, 100, 150}, {0, 100, 200, 200, 100}};
const RequestTiming kWriteTiming[] = {
    {1200, 1200, 800, 1400, 1400}, {2400, 700, 400, 800, 700},   {4800, 400, 250, 500, 350},
    {9600, 300, 150, 300, 200},    {19200, 200, 100, 200, 100},  {38400, 200, 66, 200, 100},
    {57600, 200, 100, 200, 100},   {115200, 200, 100, 200, 100}, {0, 200, 100, 400, 100}};

using ReplyTest = bool (*)(const uint8_t* reply, size_t length, int param);

struct Transaction {
  Request kind;
  int tries;
  int mismatch;
  ReplyTest test;
  int testParam;
  bool rtuRebuildEachTry;
};

int Run(const Transaction& tr, const std::function<size_t(uint8_t*)>& build) {
  const CommSettings& c = Comm();
  if (c.transferMode > 1) return 5;  // an unknown framing sends nothing
  const bool rtu = c.transferMode == 1;
  const RequestTiming t = TimingFor(tr.kind, c.baud);
  const int wait = rtu ? t.rtuWait : t.asciiWait;
  const int settle = rtu ? t.rtuSettle : t.asciiSettle;
  FrameBuffers& f = Frames();
  SerialLink& link = Link();
  size_t n = 0;
  if (rtu && !tr.rtuRebuildEachTry) n = build(f.rtuTx);
  int result = 1;
  for (int attempt = 0; attempt < tr.tries; ++attempt) {
    if (!rtu) {
      std::memset(f.asciiTx, 0, sizeof f.asciiTx);
      n = build(f.asciiTx);
    } else if (tr.rtuRebuildEachTry) {
      std::memset(f.rtuTx, 0, sizeof f.rtuTx);
      n = build(f.rtuTx);
    }
    link.PurgePort();
    if (!(rtu ? SendRtuFrame(n) : SendAsciiFrame(n))) {
      result = 5;
      continue;
    }
    if (!link.WaitForReceive(wait)) {
      result = 1;
      continue;
    }
    Settle(settle);
    result = rtu ? ReceiveRtuFrame() : ReceiveAsciiFrame();
    if (result != 0) continue;
    if (tr.test(Reply(), f.replyLength, tr.testParam)) return 0;
    result = tr.mismatch;
  }
  return result;
}

bool ProbeTest(const uint8_t* r, size_t len, int) {
  return len >= 7 && r[1] == 0x03 && (r[5] * 256 + r[6]) >= 0x1000;
}
// A read reply must carry every register asked for; fewer bytes would be
// decoded from stale buffer contents.
bool ReadTest(const uint8_t* r, size_t len, int count) {
  return len >= 2 && r[1] == 0x03 && len >= 3 + 2 * static_cast<size_t>(count);
}
bool WriteTest(const uint8_t* r, size_t len, int) { return len >= 2 && r[1] == 0x10; }

size_t BuildRead(uint8_t* b, uint8_t count) {
  b[0] = Comm().station;
  b[1] = 0x03;
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

void SetSleepHook(SleepHook hook) { g_sleep = std::move(hook); }

uint16_t Crc16(const uint8_t* data, size_t n) {
  uint8_t hi = 0xFF, lo = 0xFF;
  for (size_t i = 0; i < n; ++i) {
    uint8_t idx = hi ^ data[i];
    hi = lo ^ kCrcHi[idx];
    lo = kCrcLo[idx];
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
  // The sum is taken by reading the digits just written.
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) {
    int h = 0, l = 0;
    DigitValue(static_cast<char>(b[1 + 2 * i]), h);
    DigitValue(static_cast<char>(b[2 + 2 * i]), l);
    sum = static_cast<uint8_t>(sum + h * 16 + l);
  }
  uint8_t lrc = static_cast<uint8_t>(-sum);
  b[1 + 2 * n] = static_cast<uint8_t>(kHex[lrc >> 4]);
  b[2 + 2 * n] = static_cast<uint8_t>(kHex[lrc & 0x0F]);
  b[3 + 2 * n] = '\r';
  b[4 + 2 * n] = '\n';
  return link.WriteRaw(b, 2 * n + 5);
}

int ReceiveRtuFrame() {
  FrameBuffers& f = Frames();
  f.replyLength = 0;
  ReadResult r = Link().ReadQueued(f.rtuRx);
  f.rtuRxCount = r.count;
  if (r.code != 0) return r.code;
  // Station, function and the two CRC bytes at the least.
  if (r.count < 4) return 7;
  if (Crc16(f.rtuRx, r.count) != 0) return 7;
  f.replyLength = r.count - 2;
  return 0;
}

int ReceiveAsciiFrame() {
  FrameBuffers& f = Frames();
  f.replyLength = 0;
  ReadResult r = Link().ReadQueued(f.asciiRx);
  f.asciiRxCount = r.count;
  if (r.code != 0) return r.code;
  const size_t n = r.count;
  // A colon, one byte, the LRC and CR LF at the least, and whole digit pairs.
  if (n < 9 || (n - 5) % 2 != 0) return 7;
  const size_t pairs = (n - 5) / 2;
  uint8_t bin[kFrameBufferSize / 2];
  uint8_t sum = 0;
  for (size_t i = 0; i < pairs; ++i) {
    int h = 0, l = 0;
    if (!DigitValue(static_cast<char>(f.asciiRx[1 + 2 * i]), h) ||
        !DigitValue(static_cast<char>(f.asciiRx[2 + 2 * i]), l))
      return 7;
    bin[i] = static_cast<uint8_t>(h * 16 + l);
    sum = static_cast<uint8_t>(sum + bin[i]);
  }
  uint8_t lrc = static_cast<uint8_t>(-sum);
  if (f.asciiRx[n - 4] != static_cast<uint8_t>(kHex[lrc >> 4]) ||
      f.asciiRx[n - 3] != static_cast<uint8_t>(kHex[lrc & 0x0F]))
    return 7;
  std::memset(f.asciiRx, 0, sizeof f.asciiRx);
  std::memcpy(f.asciiRx, bin, pairs);
  f.replyLength = pairs;
  return 0;
}

const uint8_t* Reply() { return Comm().transferMode == 0 ? Frames().asciiRx : Frames().rtuRx; }
size_t ReplyLength() { return Frames().replyLength; }

RequestTiming TimingFor(Request request, uint32_t baud) {
  const RequestTiming* table = request == Request::Probe ? kProbeTiming
                               : request == Request::Read ? kReadTiming
                                                          : kWriteTiming;
  for (int i = 0; i < 8; ++i)
    if (table[i].baud == baud) return table[i];
  return table[8];
}

int ProbeModule() {
  return Run({Request::Probe, 3, 3, ProbeTest, 0, false}, [](uint8_t* b) { return BuildRead(b, 2); });
}

int ReadRegisters(uint8_t count) {
  return Run({Request::Read, 3, 2, ReadTest, count, false}, [count](uint8_t* b) { return BuildRead(b, count); });
}

int ReadRegistersReported(uint8_t count) {
  int r = ReadRegisters(count);
  if (r != 0) ReportReadResult(r);
  return r;
}

int WriteRegisters(uint16_t address, size_t length, const uint8_t* data) {
  // Leave room for the ASCII encoding of the whole request.
  if (7 + length > (kFrameBufferSize - 5) / 2) return 5;
  return Run({Request::Write, 3, 3, WriteTest, 0, true}, [&](uint8_t* b) {
    b[0] = Comm().station;
    b[1] = 0x10;
    b[2] = static_cast<uint8_t>(address >> 8);
    b[3] = static_cast<uint8_t>(address & 0xFF);
    b[4] = static_cast<uint8_t>((length / 2) >> 8);
    b[5] = static_cast<uint8_t>((length / 2) & 0xFF);
    b[6] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(b + 7, data, length);
    return 7 + length;
  });
}

const TextPair& ReadResultText(int r) {
  switch (r) {
    case 1: return txt::kTimeout;
    case 5: return txt::kSendError;
    case 6:
    case 11:
    case 12:
    case 13: return txt::kReceiveError;
    case 7: return txt::kCheckError;
    default: return txt::kCommError;
  }
}

void ReportReadResult(int r) {
  if (r == 0) return;
  ShowReadFailurePair(ReadResultText(r));
}

}  // namespace tolvane
