// What the serial link needs of the operating system: one backend per system
// (posix_backend.cpp, win32_backend.cpp), the build takes its own. Tests put in
// their own to produce faults that a pseudo-terminal cannot (line errors,
// stalled writes, overfull queues).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
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

// The system's device for a port name: "/dev/" + name (an absolute path as it
// is) on Linux, "\\.\" + name on Windows, so that COM10 and above open.
std::string DevicePath(const std::string& portName);

// Permission: the port is there but this user may not open it (not in its group).
enum class OpenErrorKind { Missing, Occupied, Permission, Other };
// Sorts the system's error code of a failed open.
OpenErrorKind ClassifyOpenError(int err);

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // 0 on success, else the system's error code (errno, or GetLastError on Windows).
  virtual int Open(const std::string& devicePath) = 0;
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual bool ApplyLine(const LineSettings& settings) = 0;
  virtual bool Purge() = 0;
  // Sends all n bytes and waits until they have left, at most limitMs.
  virtual bool Write(const uint8_t* data, size_t n, int limitMs) = 0;
  // True as soon as a byte is queued, false after limitMs (or on hang-up).
  virtual bool WaitReadable(int limitMs) = 0;
  // True when no byte arrives within limitMs: the line stayed quiet that long.
  // The silence between frames is measured with it; any bounded wait that ends
  // at the first byte will do.
  virtual bool StaysQuiet(int limitMs) { return !WaitReadable(limitMs); }
  // Raw count of queued bytes, line-error marks included; -1 on failure.
  virtual long Queued() = 0;
  // Reads up to n queued bytes without blocking; -1 on failure.
  virtual long Read(uint8_t* data, size_t n) = 0;
  // The driver's read interval and total timeouts, chosen from the baud rate,
  // where the system has them; set on every open.
  virtual bool ApplyTimeouts(uint32_t /*baud*/) { return true; }
  // A byte received with a parity or framing error shows either in the data
  // (POSIX marks it FF 00 x, and a data byte FF as FF FF) or in the driver's
  // error state, which TakeLineError reads and clears.
  virtual bool MarksLineErrorsInData() const { return true; }
  virtual bool TakeLineError() { return false; }
};

// The backend of the system the program is built for.
std::unique_ptr<SerialBackend> MakeSystemBackend();

}  // namespace tolvane
