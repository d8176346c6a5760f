// Modbus RTU and ASCII framing, the transaction pattern and the four requests.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "link/serial_link.h"

namespace tolvane {

struct FrameBuffers {
  uint8_t rtuTx[kFrameBufferSize];
  uint8_t rtuRx[kFrameBufferSize];
  uint8_t asciiTx[kFrameBufferSize];
  uint8_t asciiRx[kFrameBufferSize];
  size_t replyLength = 0;  // binary reply bytes after a successful receive (no check bytes)
};
FrameBuffers& Frames();

// The Modbus functions the program uses; a reply with bit 7 set is an exception.
enum FunctionCode : uint8_t {
  kReadHoldingRegisters = 0x03,
  kWriteMultipleRegisters = 0x10,
};

uint16_t Crc16(const uint8_t* data, size_t n);  // low byte is sent first
uint8_t Lrc(const uint8_t* data, size_t n);     // two's complement of the byte sum

bool SendRtuFrame(size_t n);
bool SendAsciiFrame(size_t n);
LinkResult ReceiveRtuFrame();
LinkResult ReceiveAsciiFrame();

// The reply of the last successful transaction in the common layout
// (station, function, byte count, data), from the current framing's RxBuffer.
const uint8_t* Reply();
size_t ReplyLength();

struct RequestTiming {
  uint32_t baud;  // 0 = any rate not listed
  int rtuWait, rtuSettle, asciiWait, asciiSettle;
};
enum class Request { Probe, Read, Write };
RequestTiming TimingFor(Request request, uint32_t baud);

// The silence that separates two frames on the line: 3.5 characters (11 bits in
// RTU, 10 in ASCII), never less than 1.75 ms. Every request waits for it after
// whatever the line last carried, and a try ends only once it has followed the reply.
std::chrono::microseconds FrameSilence(uint32_t baud, bool rtu);

// How this thread's last transaction ended, beyond its LinkResult: whether any
// try put the whole request on the line, and whether the try that decided the
// outcome got the addressed station's checked exception reply (a refusal: the
// module kept its registers as they were).
struct TransactionReport {
  LinkResult result = kLinkOk;
  bool sent = false;
  bool refused = false;
};
const TransactionReport& LastTransaction();

LinkResult ProbeModule();
// One try of the probe, for a search over stations: the reply is taken as soon
// as it is complete, and bytes that cannot become the station's reply end the
// try at once. AnsweredByStation() then says whether the station asked sent a
// checked reply to it (a regular or an exception reply).
LinkResult ProbeOnce();
bool AnsweredByStation();
LinkResult ReadRegisters(uint8_t count);
LinkResult ReadRegistersReported(uint8_t count);
LinkResult WriteRegisters(uint16_t address, size_t length, const uint8_t* data);

void ReportReadResult(LinkResult linkResult);
const TextPair& ReadResultText(LinkResult linkResult);

// How every try takes its reply, for the whole process.
// kAfterSettle (the default; the window's): after the first byte the try sleeps
// the settle time S, then takes everything queued.
// kWhenComplete (for scripts): the try takes the reply as soon as the bytes form
// one complete reply with a sound check, from the station asked, to the function
// sent (or its exception reply), of the length the request implies; S stays the
// upper bound, and bytes that are no such reply are taken at S as after the
// sleep.
// In both, such a reply at the start of the bytes taken is the reply whatever
// follows it; the stray bytes are thrown away, and the try ends once the line has
// been quiet for FrameSilence. An echo of the request is taken off first.
enum class ReplyEnd { kAfterSettle, kWhenComplete };
void SetReplyEnd(ReplyEnd end);
ReplyEnd GetReplyEnd();

// The settle sleep goes through here so that tests and benchmarks can observe it.
using SleepHook = std::function<void(int ms)>;
void SetSleepHook(SleepHook hook);

}  // namespace tolvane
