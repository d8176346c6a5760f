#pragma once
#include <poll.h>
#include <termios.h>

#include "link/serial_backend.h"

namespace tolvane {

// Builds termios from "baud=%d parity=%c data=%d stop=%d"; fields it cannot
// parse are left as they were. False when the baud rate has no termios speed.
bool ParseModeText(const std::string& text, termios& t);
// Forces the switches the link relies on: raw bytes, no flow control of any
// kind, parity checking with marked errors, breaks ignored.
void ForceLineSwitches(termios& t);
// A pseudo-terminal keeps only speed, CSTOPB, PARODD and CLOCAL; glibc then
// reports EINVAL although the device took what it can hold.
bool AcceptReadBack(const termios& wanted, const termios& got, bool isPty);

class PosixSerialBackend : public SerialBackend {
 public:
  ~PosixSerialBackend() override;
  int Open(const std::string& devicePath) override;
  bool Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  bool ApplyLine(const LineSettings& settings) override;
  bool Purge() override;
  bool Write(const uint8_t* data, size_t n, int limitMs) override;
  bool WaitReadable(int limitMs) override;
  long Queued() override;
  long Read(uint8_t* data, size_t n) override;
  bool isPty() const { return isPty_; }

 protected:
  // The two places where the backend meets the device beyond termios, so that
  // tests can see what a pseudo-terminal cannot show.
  // One modem-control request (TIOCMBIC, TIOCMSET, ...) on the open port.
  virtual bool ModemControl(unsigned long request, int bits);
  virtual int Poll(pollfd* p, int timeoutMs);

 private:
  bool SetTermios(const termios& t);
  void LowerModemLines();
  int fd_ = -1;
  bool isPty_ = false;
  bool haveSaved_ = false;
  termios saved_{};
  uint32_t baud_ = 9600;
};

}  // namespace tolvane
