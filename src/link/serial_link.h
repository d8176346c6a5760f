// The one serial port of the process and the primitives every transaction is built on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/link_result.h"
#include "core/message_rule.h"
#include "link/serial_backend.h"

namespace tolvane {

inline constexpr size_t kFrameBufferSize = 4096;
inline constexpr int kIoLimitMs = 1500;

struct ReadResult {
  LinkResult code = kLinkOk;
  size_t count = 0;  // bytes placed in the buffer
};

// The permission message for the port named in CommSettings, with its fix.
FilledPair PortPermissionMessage();

char ParityLetter(uint8_t parityCode);
std::string LineSettingsText(uint32_t baud, uint8_t parityCode, int dataBits, int stopBits);

// The driver queue sizes and the read interval and total timeouts exist only on
// Windows; the Win32 backend keeps them. On POSIX reads take only what is
// already queued, without blocking, and every write and wait is bounded by
// poll() with its own limit.
class SerialLink {
 public:
  SerialLink();
  void SetBackend(std::unique_ptr<SerialBackend> backend);

  bool OpenPort();
  bool OpenPortBare();
  bool ApplyLineSettings();
  bool ClosePort();
  LinkResult OpenPortWithMessages(WindowId owner);
  void PurgePort();
  bool WriteRaw(const uint8_t* buffer, size_t n);
  bool WaitForReceive(int limitMs);
  ReadResult ReadQueued(uint8_t* buffer);

  bool IsOpen() const { return backend_->IsOpen(); }
  int lastError() const { return lastError_; }

 private:
  bool OpenDevice(bool pause);
  std::unique_ptr<SerialBackend> backend_;
  int lastError_ = 0;
  // Raw bytes with line-error marks: a 0xFF may arrive doubled.
  uint8_t raw_[kFrameBufferSize * 2];
};

SerialLink& Link();

}  // namespace tolvane
