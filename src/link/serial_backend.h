// What the serial link needs of the operating system. The POSIX backend is the
// real one; tests put in their own to produce faults that a pseudo-terminal
// cannot (line errors, stalled writes, overfull queues).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvane {

struct LineSettings {
  uint32_t baud = 9600;
  char parity = 'N';  // N O E M S
  int dataBits = 8;
  int stopBits = 1;
  bool operator==(const LineSettings&) const = default;
};

// "baud=%d parity=%c data=%d stop=%d": the text the platform parses into line settings.
std::string ModeText(const LineSettings& settings);

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // 0 on success, else an errno value (EBUSY when another program holds the port).
  virtual int Open(const std::string& devicePath) = 0;
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool ApplyLine(const LineSettings& settings) = 0;
  virtual bool Purge() = 0;
  // Sends all n bytes and waits until they have left, at most limitMs.
  virtual bool Write(const uint8_t* data, size_t n, int limitMs) = 0;
  // True as soon as a byte is queued, false after limitMs (or on hang-up).
  virtual bool WaitReadable(int limitMs) = 0;
  // Raw count of queued bytes, line-error marks included; -1 on failure.
  virtual long Queued() = 0;
  // Reads up to n queued bytes without blocking; -1 on failure.
  virtual long Read(uint8_t* data, size_t n) = 0;
};

}  // namespace tolvane
