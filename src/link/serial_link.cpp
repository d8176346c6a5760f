#include "link/serial_link.h"

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
  Traffic().Record(lastError_ == 0 ? TrafficEvent::kOpen : TrafficEvent::kOpenFailed,
                   reinterpret_cast<const uint8_t*>(path.data()), path.size(), lastError_);
  return lastError_ == 0;
}

bool SerialLink::OpenPort() {
  return OpenDevice(true) && ApplyLineSettings() && backend_->ApplyTimeouts(Comm().baud);
}

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
    Traffic().Record(TrafficEvent::kPurge, nullptr, 0, unread > 0 ? static_cast<int>(unread) : 0);
  }
  backend_->Purge();
}

bool SerialLink::WriteRaw(const uint8_t* buffer, size_t n) {
  if (!backend_->IsOpen()) return false;
  return backend_->Write(buffer, n, kIoLimitMs);
}

bool SerialLink::WaitForReceive(int limitMs) {
  if (!backend_->IsOpen()) return false;
  return backend_->WaitReadable(limitMs);
}

ReadResult SerialLink::ReadQueued(uint8_t* buffer) {
  if (!backend_->IsOpen()) return {kLinkPortNotOpen, 0};
  if (backend_->TakeLineError()) return {kLinkLineError, 0};
  long queued = backend_->Queued();
  if (queued < 0) return {kLinkReceiveFailed, 0};
  if (queued > static_cast<long>(kFrameBufferSize)) return {kLinkTooManyBytes, 0};
  std::memset(buffer, 0, kFrameBufferSize);
  long got = queued > 0 ? backend_->Read(raw_, static_cast<size_t>(queued)) : 0;
  if (got < 0) return {kLinkReceiveFailed, 0};
  if (!backend_->MarksLineErrorsInData()) {
    std::memcpy(buffer, raw_, static_cast<size_t>(got));
    return {kLinkOk, static_cast<size_t>(got)};
  }
  // Undo the line discipline's marking: FF FF is one data byte 0xFF, FF 00 x a
  // byte received with a parity or framing error.
  size_t out = 0;
  bool lineError = false;
  for (long i = 0; i < got; ++i) {
    uint8_t b = raw_[i];
    if (b == 0xFF && i + 1 < got) {
      if (raw_[i + 1] == 0xFF) {
        buffer[out++] = 0xFF;
        ++i;
        continue;
      }
      if (raw_[i + 1] == 0x00 && i + 2 < got) {
        lineError = true;
        i += 2;
        continue;
      }
    }
    buffer[out++] = b;
  }
  if (lineError) return {kLinkLineError, 0};
  return {kLinkOk, out};
}

SerialLink& Link() {
  static SerialLink link;
  return link;
}

}  // namespace tolvane
