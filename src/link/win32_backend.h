// The serial port through the Win32 communications functions: overlapped I/O,
// one manual-reset event per request (read, write, receive-event wait).
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <memory>
#include <string>

#include "link/serial_backend.h"

namespace tolvane {

// The Win32 calls the backend makes, each forwarded as it is. Tests put in a
// driver of their own to show what wine cannot: busy ports, line errors, full
// queues, stalled writes, a second receive-event wait that Windows refuses.
class Win32Comm {
 public:
  virtual ~Win32Comm() = default;
  virtual HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
  virtual BOOL SetupComm(HANDLE h, DWORD inQueue, DWORD outQueue);
  virtual BOOL GetCommState(HANDLE h, DCB* dcb);
  virtual BOOL BuildCommDCBW(const wchar_t* text, DCB* dcb);
  virtual BOOL SetCommState(HANDLE h, DCB* dcb);
  virtual BOOL GetCommTimeouts(HANDLE h, COMMTIMEOUTS* t);
  virtual BOOL SetCommTimeouts(HANDLE h, COMMTIMEOUTS* t);
  virtual BOOL PurgeComm(HANDLE h, DWORD flags);
  virtual BOOL ClearCommError(HANDLE h, DWORD* errors, COMSTAT* status);
  virtual BOOL SetCommMask(HANDLE h, DWORD mask);
  virtual BOOL WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov);
  virtual BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* got, OVERLAPPED* ov);
  virtual BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* sent, OVERLAPPED* ov);
  virtual BOOL GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* n, BOOL wait);
  virtual BOOL CancelIoEx(HANDLE h, OVERLAPPED* ov);
  virtual HANDLE CreateEventW();  // manual-reset, not signalled
  virtual BOOL ResetEvent(HANDLE event);
  virtual DWORD WaitForSingleObject(HANDLE object, DWORD ms);
  virtual BOOL CloseHandle(HANDLE h);
  virtual DWORD GetLastError();
  virtual MMRESULT TimeBeginPeriod(UINT ms);
  virtual MMRESULT TimeEndPeriod(UINT ms);
};

// The longest gap between two received characters that the driver allows, by baud rate.
DWORD ReadIntervalMs(uint32_t baud);
// Whatever the mode text produced: binary, parity checked, abort on error, no
// flow control of any kind, DTR and RTS held low, no byte dropped (fNull) or
// replaced (fErrorChar).
void ForceLineSwitches(DCB& dcb);

class Win32SerialBackend : public SerialBackend {
 public:
  explicit Win32SerialBackend(std::unique_ptr<Win32Comm> api = std::make_unique<Win32Comm>());
  ~Win32SerialBackend() override;
  int Open(const std::string& devicePath) override;
  bool Close() override;
  bool IsOpen() const override { return port_ != nullptr && port_ != INVALID_HANDLE_VALUE; }
  bool ApplyLine(const LineSettings& settings) override;
  bool ApplyTimeouts(uint32_t baud) override;
  bool Purge() override;
  bool Write(const uint8_t* data, size_t n, int limitMs) override;
  bool WaitReadable(int limitMs) override;
  bool StaysQuiet(int limitMs) override;
  long Queued() override;
  long Read(uint8_t* data, size_t n) override;
  bool MarksLineErrorsInData() const override { return false; }
  bool TakeLineError() override;

 private:
  bool ReadStatus(DWORD& errors, DWORD& queued);
  void EndPendingWait();
  // Waits at most limitMs for the request on ov to end (not at all when it
  // ended at once), cancels it if it has not; true when it ended without
  // error, with the count it moved.
  bool Finish(OVERLAPPED& ov, bool endedAtOnce, DWORD limitMs, DWORD& count);
  bool CloseHandleOnce();
  std::unique_ptr<Win32Comm> api_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
  OVERLAPPED read_{}, write_{}, wait_{};
  DWORD waitMask_ = 0;  // written by a pending receive-event wait
  bool waitPending_ = false;
  // A line error seen by any status read since the last purge: reading the
  // status clears the driver's flags, and a wait or a count must not lose one
  // that the next read should report.
  bool lineError_ = false;
  // The system timer runs at 1 ms while the port is open (see Open).
  bool fineTimer_ = false;
};

}  // namespace tolvane
