#include "link/serial_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "core/comm_settings.h"
#include "link/traffic_recorder.h"

namespace tolvane {

FilledPair PortPermissionMessage() {
  return FillPair(txt::kPortPermissionDenied, {{"port", DevicePath(Comm().portName)}});
}

char ParityLetter(uint8_t code) {
  static const char letters[] = {'N', 'O', 'E', 'M', 'S'};
  return code < 5 ? letters[code] : 0;
}

std::string ModeText(const LineSettings& s) {
  char text[80];
  std::snprintf(text, sizeof text, "baud=%u parity=%c data=%d stop=%d", s.baud, s.parity, s.dataBits, s.stopBits);
  return text;
}

std::string LineSettingsText(uint32_t baud, uint8_t parityCode, int dataBits, int stopBits) {
  const char letter = ParityLetter(parityCode);
  return ModeText({baud, letter ? letter : '?', dataBits, stopBits});
}

SerialLink::SerialLink() : backend_(MakeSystemBackend()) {}

void SerialLink::SetBackend(std::unique_ptr<SerialBackend> backend) { backend_ = std::move(backend); }

bool SerialLink::OpenDevice(bool pause) {
  if (backend_->IsOpen()) {
    backend_->Close();
    Traffic().Record(TrafficEvent::kClose);
    if (pause) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string path = DevicePath(Comm().portName);
  lastError_ = backend_->Open(path);
  // Opening may leave a glitch on the line, and whatever a module was sending
  // when the port opened is no frame: the first request waits for a silence.
  if (lastError_ == 0) MarkActive();
  Traffic().Record(lastError_ == 0 ? TrafficEvent::kOpen : TrafficEvent::kOpenFailed,
                   reinterpret_cast<const uint8_t*>(path.data()), path.size(), lastError_);
  return lastError_ == 0;
}

bool SerialLink::OpenPort() { return OpenDevice(true) && ApplyLineSettings() && backend_->ApplyTimeouts(Comm().baud); }

bool SerialLink::OpenPortBare() { return OpenDevice(false) && backend_->ApplyTimeouts(Comm().baud); }

bool SerialLink::ApplyLineSettings() {
  if (!backend_->IsOpen()) return false;
  const CommSettings& c = Comm();
  const char letter = ParityLetter(c.parity);
  LineSettings s;
  s.baud = c.baud;
  s.parity = letter ? letter : 'N';
  s.dataBits = c.dataBits;
  s.stopBits = c.stopBits;
  MarkActive();  // bytes in flight at the old settings arrive as garbage
  return backend_->ApplyLine(s);
}

bool SerialLink::ClosePort() {
  const bool wasOpen = backend_->IsOpen();
  const bool closed = backend_->Close();
  if (wasOpen) Traffic().Record(TrafficEvent::kClose);
  return closed;
}

LinkResult SerialLink::OpenPortWithMessages(WindowId owner) {
  if (OpenPort()) return kLinkOk;
  EndWaitCursor();
  switch (ClassifyOpenError(lastError_)) {
    case OpenErrorKind::Missing:
      ShowPortMessagePair(owner, txt::kPortMissing);
      break;
    case OpenErrorKind::Occupied:
      ShowPortMessagePair(owner, txt::kPortOccupied);
      break;
    case OpenErrorKind::Permission:
      ShowPortMessagePair(owner, PortPermissionMessage().View());
      break;
    case OpenErrorKind::Other:
      ShowPortMessagePair(owner, txt::kPortInitFailed);
      break;
  }
  return kLinkCannotOpen;
}

void SerialLink::PurgePort() {
  if (backend_->IsOpen()) {
    // What the purge throws away is often a late answer to the previous request:
    // the monitor says how much, so that a slow module does not look like a dead one.
    const long unread = backend_->Queued();
    if (unread > 0) MarkActive();
    Traffic().Record(TrafficEvent::kPurge, nullptr, 0, unread > 0 ? static_cast<int>(unread) : 0);
  }
  backend_->Purge();
}

bool SerialLink::WriteRaw(const uint8_t* buffer, size_t n) {
  if (!backend_->IsOpen()) return false;
  const bool sent = backend_->Write(buffer, n, kIoLimitMs);
  MarkActive();
  return sent;
}

bool SerialLink::WaitForReceive(int limitMs) {
  if (!backend_->IsOpen()) return false;
  if (!backend_->WaitReadable(limitMs)) return false;
  MarkActive();
  return true;
}

void SerialLink::MarkActive() {
  lastActive_ = std::chrono::steady_clock::now();
  quiet_ = false;
}

namespace {

// Undoes the line discipline's marking: FF FF is one data byte 0xFF, FF 00 x a
// byte received with a parity or framing error. A mark cut off at the end of one
// read is finished by the next; one still open at the end is data.
class MarkDecoder {
 public:
  // A backend that reports line errors apart from the data passes bytes as they are.
  explicit MarkDecoder(bool marked) : marked_(marked) {}
  void Feed(const uint8_t* raw, size_t n, uint8_t* out, size_t& count) {
    if (!marked_) {
      std::memcpy(out + count, raw, n);
      count += n;
      return;
    }
    for (size_t i = 0; i < n; ++i) {
      const uint8_t b = raw[i];
      switch (state_) {
        case kPlain:
          if (b == 0xFF)
            state_ = kAfterFF;
          else
            out[count++] = b;
          break;
        case kAfterFF:
          if (b == 0x00) {
            state_ = kAfterFF00;
          } else {
            out[count++] = 0xFF;
            if (b != 0xFF) out[count++] = b;
            state_ = kPlain;
          }
          break;
        case kAfterFF00:
          lineError = true;
          state_ = kPlain;
          break;
      }
    }
  }
  void Flush(uint8_t* out, size_t& count) {
    if (state_ != kPlain) out[count++] = 0xFF;
    if (state_ == kAfterFF00) out[count++] = 0x00;
    state_ = kPlain;
  }
  bool lineError = false;

 private:
  bool marked_;
  enum { kPlain, kAfterFF, kAfterFF00 } state_ = kPlain;
};

using Clock = std::chrono::steady_clock;

}  // namespace

ReadResult SerialLink::ReadQueued(uint8_t* buffer) {
  if (!backend_->IsOpen()) return {kLinkPortNotOpen, 0};
  if (backend_->TakeLineError()) return {kLinkLineError, 0};
  long queued = backend_->Queued();
  if (queued < 0) return {kLinkReceiveFailed, 0};
  if (queued > static_cast<long>(kFrameBufferSize)) return {kLinkTooManyBytes, 0};
  std::memset(buffer, 0, kFrameBufferSize);
  long got = queued > 0 ? backend_->Read(raw_, static_cast<size_t>(queued)) : 0;
  if (got < 0) return {kLinkReceiveFailed, 0};
  if (got > 0) MarkActive();
  MarkDecoder marks(backend_->MarksLineErrorsInData());
  size_t out = 0;
  marks.Feed(raw_, static_cast<size_t>(got), buffer, out);
  marks.Flush(buffer, out);
  if (marks.lineError) return {kLinkLineError, 0};
  return {kLinkOk, out};
}

ReadResult SerialLink::ReadReply(uint8_t* buffer, int limitMs, const FrameJudge& judge, size_t have) {
  if (!backend_->IsOpen()) return {kLinkPortNotOpen, 0};
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  if (backend_->TakeLineError()) return {kLinkLineError, 0};
  have = std::min(have, kFrameBufferSize);
  std::memset(buffer + have, 0, kFrameBufferSize - have);
  MarkDecoder marks(backend_->MarksLineErrorsInData());
  size_t raw = have, count = have;
  bool judging = true;  // false once the bytes cannot become a reply: then as ReadQueued at the limit
  int idleWakes = 0;    // waits that said readable with nothing queued after them
  for (;;) {
    FrameVerdict verdict;
    if (judging) {
      verdict = judge(buffer, count);
      if (verdict.kind == FrameVerdict::kComplete) return {kLinkOk, count};
      judging = verdict.kind == FrameVerdict::kNeedMore;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    const long queued = backend_->Queued();
    if (queued < 0) return {kLinkReceiveFailed, 0};
    if (queued == 0) {
      // A wait that keeps saying readable with nothing queued (a hang-up, or an
      // event left over from bytes already taken) must not make this loop spin:
      // after the second such wake the try sleeps out its time, as the settle would.
      if (idleWakes >= 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(left));
        break;
      }
      if (!backend_->WaitReadable(static_cast<int>(left))) break;
      ++idleWakes;
      continue;
    }
    idleWakes = 0;
    if (raw + static_cast<size_t>(queued) > kFrameBufferSize) return {kLinkTooManyBytes, 0};
    size_t want = static_cast<size_t>(queued);
    // A raw byte is at most one data byte (a mark makes several raw bytes one),
    // so reading the missing count never takes more than the reply.
    if (judging && verdict.upTo > count) want = std::min(want, verdict.upTo - count);
    const long got = backend_->Read(raw_, want);
    if (got < 0) return {kLinkReceiveFailed, 0};
    if (got > 0) MarkActive();
    raw += static_cast<size_t>(got);
    marks.Feed(raw_, static_cast<size_t>(got), buffer, count);
    if (marks.lineError || backend_->TakeLineError()) return {kLinkLineError, 0};
  }
  // The limit has passed: what is queued now belongs to the reply, as after a settle sleep.
  if (backend_->TakeLineError()) return {kLinkLineError, 0};
  const long queued = backend_->Queued();
  if (queued < 0) return {kLinkReceiveFailed, 0};
  if (raw + static_cast<size_t>(queued) > kFrameBufferSize) return {kLinkTooManyBytes, 0};
  const long got = queued > 0 ? backend_->Read(raw_, static_cast<size_t>(queued)) : 0;
  if (got < 0) return {kLinkReceiveFailed, 0};
  if (got > 0) MarkActive();
  marks.Feed(raw_, static_cast<size_t>(got), buffer, count);
  marks.Flush(buffer, count);
  if (marks.lineError) return {kLinkLineError, 0};
  return {kLinkOk, count};
}

bool SerialLink::WaitForSilence(std::chrono::microseconds quiet, int limitMs) {
  if (!backend_->IsOpen()) return true;  // nothing to hear, and nothing will be sent
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  int idleWakes = 0;
  for (;;) {
    const long queued = backend_->Queued();
    if (queued < 0) return false;
    if (queued > 0) {
      // No frame is under way: these bytes are noise, or the tail of a frame
      // already given up. Their line errors go with them.
      const long got = backend_->Read(raw_, std::min(static_cast<size_t>(queued), sizeof raw_));
      if (got <= 0) return false;  // a count that yields nothing cannot be waited out
      backend_->TakeLineError();
      MarkActive();
      Traffic().Record(TrafficEvent::kStray, raw_, static_cast<size_t>(got));
      continue;
    }
    if (quiet_) return true;
    const Clock::time_point now = Clock::now();
    const Clock::time_point end = lastActive_ + quiet;
    if (end <= now) {
      quiet_ = true;
      return true;
    }
    if (now >= deadline) return false;
    const Clock::time_point until = std::min(end, deadline);
    const int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(until - now).count());
    if (backend_->StaysQuiet(ms)) {
      if (until == end) {
        quiet_ = true;
        return true;
      }
      continue;  // the limit: judged at the top
    }
    // A wake without bytes (a hang-up) carries no frame; after the second the
    // rest of the silence is slept out rather than asked for again and again.
    if (backend_->Queued() == 0 && ++idleWakes >= 2) {
      std::this_thread::sleep_until(until);
      quiet_ = until == end;
      return quiet_;
    }
  }
}

SerialLink& Link() {
  static SerialLink link;
  return link;
}

}  // namespace tolvane
