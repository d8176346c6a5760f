// Whatever the line delivers: the receive paths of both framings (with the
// line discipline's 0xFF doubling and error marks), the reply tests of the
// requests and the message of every result. Two kinds of input:
// - the fuzzed bytes are the reply: whatever is accepted must have passed an
//   independent CRC or LRC check and answer the request that was sent;
// - the fuzzed bytes are register values: a well-formed reply built from them
//   must be accepted, with the same bytes.
//
// Input: control byte, count byte, payload.
//   control bit 0: 1 RTU, 0 ASCII
//   control bits 1-2: 0 probe, 1 read (count registers), 2 write, 3 the bare receive
//   control bit 3: the payload is register data of a well-formed reply
//   control bit 4: the line echoes the request before the reply
//   control bit 5: (well-formed) stray bytes follow the reply
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "core/message_rule.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"

namespace {

using namespace tolvane;
using Bytes = std::vector<uint8_t>;

#define REQUIRE(cond)                                     \
  do {                                                    \
    if (!(cond)) {                                        \
      std::fprintf(stderr, "oracle failed: %s\n", #cond); \
      __builtin_trap();                                   \
    }                                                     \
  } while (0)

// What the line discipline delivers for bytes received cleanly: every 0xFF doubled.
Bytes Marked(const Bytes& clean) {
  Bytes out;
  for (uint8_t b : clean) {
    out.push_back(b);
    if (b == 0xFF) out.push_back(0xFF);
  }
  return out;
}

class LineBackend : public SerialBackend {
 public:
  Bytes reply;        // queued again after every write
  bool echo = false;  // the written bytes come back first, marked as all received bytes are
  Bytes queued;
  Bytes sent;  // the last request
  int Open(const std::string&) override { return 0; }
  bool Close() override { return true; }
  bool IsOpen() const override { return true; }
  bool ApplyLine(const LineSettings&) override { return true; }
  bool Purge() override {
    queued.clear();
    return true;
  }
  bool Write(const uint8_t* data, size_t n, int) override {
    sent.assign(data, data + n);
    queued = echo ? Marked(sent) : Bytes();
    queued.insert(queued.end(), reply.begin(), reply.end());
    return true;
  }
  bool WaitReadable(int) override { return !queued.empty(); }
  long Queued() override { return static_cast<long>(queued.size()); }
  long Read(uint8_t* data, size_t n) override {
    size_t k = std::min(n, queued.size());
    std::memcpy(data, queued.data(), k);
    queued.erase(queued.begin(), queued.begin() + static_cast<long>(k));
    return static_cast<long>(k);
  }
};

class CountingPresenter : public MessagePresenter {
 public:
  int shown = 0;
  bool emptyText = false;
  MsgAnswer Present(const MessageRequest& r) override {
    ++shown;
    emptyText = emptyText || r.text.empty();
    return MsgAnswer::Ok;
  }
};

LineBackend* g_backend = nullptr;
CountingPresenter g_presenter;

int Setup() {
  auto backend = std::make_unique<LineBackend>();
  g_backend = backend.get();
  Link().SetBackend(std::move(backend));
  SetSleepHook([](int) {});
  SetMessagePresenter(&g_presenter);
  return 0;
}

// The checks, written apart from the ones under test.
uint16_t BitwiseCrc(const uint8_t* d, size_t n) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= d[i];
    for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}
uint8_t SumLrc(const uint8_t* d, size_t n) {
  unsigned sum = 0;
  for (size_t i = 0; i < n; ++i) sum += d[i];
  return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}
int Hex(uint8_t c) {  // upper-case digits only
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes received, marks undone; clean: how many of them came before the
// first byte received with an error (all of them when none was).
Bytes Unmarked(const Bytes& raw, size_t& clean) {
  Bytes out;
  clean = SIZE_MAX;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == 0xFF && i + 1 < raw.size()) {
      if (raw[i + 1] == 0xFF) {
        out.push_back(0xFF);
        ++i;
        continue;
      }
      if (raw[i + 1] == 0x00 && i + 2 < raw.size()) {
        clean = std::min(clean, out.size());
        i += 2;
        continue;
      }
    }
    out.push_back(raw[i]);
  }
  clean = std::min(clean, out.size());
  return out;
}

Bytes Frame(const Bytes& pdu, bool rtu) {
  if (rtu) {
    Bytes f = pdu;
    const uint16_t crc = BitwiseCrc(pdu.data(), pdu.size());
    f.push_back(static_cast<uint8_t>(crc & 0xFF));
    f.push_back(static_cast<uint8_t>(crc >> 8));
    return f;
  }
  static const char digits[] = "0123456789ABCDEF";
  Bytes f{':'};
  auto put = [&](uint8_t b) {
    f.push_back(static_cast<uint8_t>(digits[b >> 4]));
    f.push_back(static_cast<uint8_t>(digits[b & 15]));
  };
  for (uint8_t b : pdu) put(b);
  put(SumLrc(pdu.data(), pdu.size()));
  f.push_back('\r');
  f.push_back('\n');
  return f;
}

// A success must rest on a frame at the start of what was received, after the
// echo of the request when the bytes begin with all of it: its own check holds,
// it decodes to the reply the callers read, and it and the echo were received
// without a line error. Whatever follows the frame is no part of it.
void RequireSoundFrame(const Bytes& raw, bool rtu) {
  size_t clean = 0;
  Bytes text = Unmarked(raw, clean);
  const Bytes& sent = g_backend->sent;
  size_t used = 0;
  if (text.size() >= sent.size() && std::equal(sent.begin(), sent.end(), text.begin())) {
    text.erase(text.begin(), text.begin() + static_cast<long>(sent.size()));
    used = sent.size();
  }
  const uint8_t* r = Reply();
  const size_t len = ReplyLength();
  if (rtu) {
    REQUIRE(text.size() >= len + 2);
    REQUIRE(clean >= used + len + 2);
    const uint16_t crc = BitwiseCrc(text.data(), len);
    REQUIRE(text[len] == (crc & 0xFF) && text[len + 1] == (crc >> 8));
    REQUIRE(std::memcmp(text.data(), r, len) == 0);
    return;
  }
  const size_t frame = 2 * len + 5;
  REQUIRE(text.size() >= frame);
  REQUIRE(clean >= used + frame);
  // A frame followed by more bytes is told from them by its own end.
  if (text.size() > frame) REQUIRE(text[frame - 2] == '\r' && text[frame - 1] == '\n');
  for (size_t i = 0; i < len; ++i) {
    const int h = Hex(text[1 + 2 * i]), l = Hex(text[2 + 2 * i]);
    // A lower-case digit is read as a wrong value: only clean pairs are compared.
    if (h >= 0 && l >= 0) REQUIRE(r[i] == h * 16 + l);
  }
  const int lh = Hex(text[2 * len + 1]), ll = Hex(text[2 * len + 2]);
  REQUIRE(lh >= 0 && ll >= 0);
  REQUIRE(lh * 16 + ll == SumLrc(r, len));
}

// The reply answers the request: station 1, its function, its registers.
void RequireAnswer(int request, uint8_t count, uint16_t address, uint16_t quantity) {
  const uint8_t* r = Reply();
  const size_t len = ReplyLength();
  REQUIRE(len >= 2 && r[0] == 1);
  if (request == 2) {
    REQUIRE(len == 6 && r[1] == kWriteMultipleRegisters);
    REQUIRE(r[2] == (address >> 8) && r[3] == (address & 0xFF) && r[4] == (quantity >> 8) && r[5] == (quantity & 0xFF));
    return;
  }
  const uint8_t asked = request == 0 ? 2 : count;
  REQUIRE(r[1] == kReadHoldingRegisters && r[2] == 2 * asked && len == 3u + 2u * asked);
  if (request == 0) REQUIRE(r[5] * 256 + r[6] >= 0x1000);
}

// The request that went out carries its own sound check.
void RequireSoundRequest(bool rtu, uint8_t function) {
  const Bytes& s = g_backend->sent;
  if (rtu) {
    REQUIRE(s.size() >= 4 && BitwiseCrc(s.data(), s.size()) == 0);
    REQUIRE(s[0] == 1 && s[1] == function);
    return;
  }
  REQUIRE(s.size() >= 9 && s.front() == ':' && s[s.size() - 2] == '\r' && s.back() == '\n');
  Bytes bin;
  for (size_t i = 1; i + 2 < s.size(); i += 2) {
    const int h = Hex(s[i]), l = Hex(s[i + 1]);
    REQUIRE(h >= 0 && l >= 0);
    bin.push_back(static_cast<uint8_t>(h * 16 + l));
  }
  REQUIRE(SumLrc(bin.data(), bin.size() - 1) == bin.back());
  REQUIRE(bin[0] == 1 && bin[1] == function);
}

void RequireReport(LinkResult result) {
  g_presenter.shown = 0;
  ReportReadResult(result);
  REQUIRE(g_presenter.shown == (result != 0 ? 1 : 0));
  REQUIRE(!g_presenter.emptyText);
}

struct Outcome {
  LinkResult result;
  uint16_t address, quantity;
};

Outcome RunRequest(int request, uint8_t count, const Bytes& writeData, uint16_t address) {
  switch (request) {
    case 0:
      return {ProbeModule(), 0, 0};
    case 1:
      return {ReadRegisters(count), 0, 0};
    default: {
      const LinkResult result = WriteRegisters(address, writeData.size(), writeData.data());
      return {result, address, static_cast<uint16_t>(writeData.size() / 2)};
    }
  }
}

// The payload is the reply.
void FuzzedReply(int request, bool rtu, uint8_t count, const Bytes& payload) {
  g_backend->reply = payload;
  if (request == 3) {
    uint8_t buf[kFrameBufferSize];
    g_backend->queued = payload;
    ReadResult r = Link().ReadQueued(buf);
    REQUIRE(r.count <= kFrameBufferSize);
    REQUIRE((r.code == 12) == (payload.size() > kFrameBufferSize));
    return;
  }
  static const Bytes kAddressWrite{0, 192, 0, 168, 0, 1, 0, 170};
  const Outcome o = RunRequest(request, count, kAddressWrite, 12);
  // Read and write take everything queued once the settle time has passed; the
  // probe's take ends as soon as the first bytes decide it, so more than the
  // buffer holds may follow a reply or garbage unread.
  Bytes received = g_backend->echo ? Marked(g_backend->sent) : Bytes();
  received.insert(received.end(), payload.begin(), payload.end());
  if (received.size() > kFrameBufferSize && request != 0) REQUIRE(o.result == 12);
  if (payload.empty()) REQUIRE(o.result == 1);
  if (o.result == 0) {
    RequireSoundFrame(received, rtu);
    RequireAnswer(request, count, o.address, o.quantity);
  }
  RequireReport(o.result);
}

// The payload gives the registers of a well-formed reply, which must pass as it is.
void WellFormedReply(int request, bool rtu, uint8_t count, bool stray, const Bytes& payload) {
  count &= 0x7F;  // the byte count of a read reply holds at most 127 registers
  auto byteAt = [&](size_t i) -> uint8_t { return i < payload.size() ? payload[i] : 0xFF; };
  if (request == 3) {
    g_backend->queued = Marked(payload);
    const bool overfull = g_backend->queued.size() > kFrameBufferSize;
    uint8_t buf[kFrameBufferSize];
    ReadResult r = Link().ReadQueued(buf);
    REQUIRE((r.code == 12) == overfull);
    if (overfull) return;
    REQUIRE(r.code == 0 && r.count == payload.size());
    REQUIRE(payload.empty() || std::memcmp(buf, payload.data(), payload.size()) == 0);
    return;
  }
  Bytes pdu;
  Bytes writeData;
  uint16_t address = 0;
  if (request == 2) {
    address = static_cast<uint16_t>(byteAt(0) << 8 | byteAt(1));
    const size_t quantity = count == 0 ? 1 : count;
    for (size_t i = 0; i < 2 * quantity; ++i) writeData.push_back(byteAt(2 + i));
    pdu = {1,
           kWriteMultipleRegisters,
           static_cast<uint8_t>(address >> 8),
           static_cast<uint8_t>(address & 0xFF),
           static_cast<uint8_t>(quantity >> 8),
           static_cast<uint8_t>(quantity & 0xFF)};
  } else {
    const uint8_t registers = request == 0 ? 2 : count;
    pdu = {1, kReadHoldingRegisters, static_cast<uint8_t>(2 * registers)};
    for (size_t i = 0; i < 2u * registers; ++i) pdu.push_back(byteAt(i));
  }
  g_backend->reply = Marked(Frame(pdu, rtu));
  if (stray) {  // a glitch, or another station's answer starting
    const Bytes after = Marked({count, byteAt(0), 0x01});
    g_backend->reply.insert(g_backend->reply.end(), after.begin(), after.end());
  }
  const Outcome o = RunRequest(request, count, writeData, address);
  RequireSoundRequest(rtu, request == 2 ? kWriteMultipleRegisters : kReadHoldingRegisters);
  const bool refusedProbe = request == 0 && pdu[5] * 256 + pdu[6] < 0x1000;
  if (refusedProbe) {
    REQUIRE(o.result == 3);
  } else {
    REQUIRE(o.result == 0);
    REQUIRE(ReplyLength() == pdu.size());
    REQUIRE(std::memcmp(Reply(), pdu.data(), pdu.size()) == 0);
  }
  RequireReport(o.result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int ready = Setup();
  (void)ready;
  if (size < 2) return 0;
  const uint8_t control = data[0];
  const uint8_t count = data[1];
  const Bytes payload(data + 2, data + size);
  CommSettings& c = Comm();
  const bool rtu = control & 1;
  c.transferMode = rtu ? 1 : 0;
  c.station = 1;
  c.baud = 115200;
  const int request = (control >> 1) & 3;
  g_backend->echo = (control & 16) != 0;
  if (control & 8)
    WellFormedReply(request, rtu, count, (control & 32) != 0, payload);
  else
    FuzzedReply(request, rtu, count, payload);
  return 0;
}
