// The one serial port of the process and the primitives every transaction is built on.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// What the bytes taken so far make of a reply, as the transaction that waits
// for it judges them.
struct FrameVerdict {
  enum Kind { kNeedMore, kComplete, kNotAReply };
  Kind kind = kNeedMore;
  // kNeedMore: take no more than this many bytes before judging again (0: no bound),
  // so that whatever follows a complete reply stays queued.
  size_t upTo = 0;
};
using FrameJudge = std::function<FrameVerdict(const uint8_t* bytes, size_t count)>;

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
  // Takes a reply as it arrives, for at most limitMs: reads what is queued, never
  // past what judge allows, and waits (blocking) for more until judge calls the
  // bytes complete. When the limit passes first, or judge calls them no reply,
  // everything queued at the limit is taken as well, so the result is what
  // ReadQueued would have taken then. Bytes after a complete reply stay queued.
  // The first `have` bytes of buffer are kept as the start of the reply.
  ReadResult ReadReply(uint8_t* buffer, int limitMs, const FrameJudge& judge, size_t have = 0);
  // Waits until the line has been quiet for `quiet` since it was last active (a
  // byte received, a frame sent, the port opened or its line settings changed),
  // for at most limitMs. A byte within that time restarts the wait; it belongs to
  // no frame and is thrown away (the monitor shows it). False when the limit
  // passed first.
  bool WaitForSilence(std::chrono::microseconds quiet, int limitMs);

  bool IsOpen() const { return backend_->IsOpen(); }
  int lastError() const { return lastError_; }

 private:
  bool OpenDevice(bool pause);
  void MarkActive();
  std::unique_ptr<SerialBackend> backend_;
  int lastError_ = 0;
  // When the line was last seen active, and whether a silence has been seen
  // since: then only bytes queued meanwhile can have broken it.
  std::chrono::steady_clock::time_point lastActive_{};
  bool quiet_ = false;
  // Raw bytes with line-error marks: a 0xFF may arrive doubled.
  uint8_t raw_[kFrameBufferSize * 2];
};

SerialLink& Link();

}  // namespace tolvane
