#include "link/win32_backend.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "link/serial_link.h"

namespace tolvane {
namespace {

constexpr DWORD kQueueSize = 1200;
constexpr DWORD kTotalTimeoutMs = 30000;
constexpr DWORD kLineErrors = CE_RXPARITY | CE_FRAME | CE_MODE;

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

void ClearOffsets(OVERLAPPED& ov) {
  ov.Offset = 0;
  ov.OffsetHigh = 0;
}

}  // namespace

HANDLE Win32Comm::CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}
BOOL Win32Comm::SetupComm(HANDLE h, DWORD in, DWORD out) { return ::SetupComm(h, in, out); }
BOOL Win32Comm::GetCommState(HANDLE h, DCB* dcb) { return ::GetCommState(h, dcb); }
BOOL Win32Comm::BuildCommDCBW(const wchar_t* text, DCB* dcb) { return ::BuildCommDCBW(text, dcb); }
BOOL Win32Comm::SetCommState(HANDLE h, DCB* dcb) { return ::SetCommState(h, dcb); }
BOOL Win32Comm::GetCommTimeouts(HANDLE h, COMMTIMEOUTS* t) { return ::GetCommTimeouts(h, t); }
BOOL Win32Comm::SetCommTimeouts(HANDLE h, COMMTIMEOUTS* t) { return ::SetCommTimeouts(h, t); }
BOOL Win32Comm::PurgeComm(HANDLE h, DWORD flags) { return ::PurgeComm(h, flags); }
BOOL Win32Comm::ClearCommError(HANDLE h, DWORD* errors, COMSTAT* status) { return ::ClearCommError(h, errors, status); }
BOOL Win32Comm::SetCommMask(HANDLE h, DWORD mask) { return ::SetCommMask(h, mask); }
BOOL Win32Comm::WaitCommEvent(HANDLE h, DWORD* mask, OVERLAPPED* ov) { return ::WaitCommEvent(h, mask, ov); }
BOOL Win32Comm::ReadFile(HANDLE h, void* data, DWORD n, DWORD* got, OVERLAPPED* ov) {
  return ::ReadFile(h, data, n, got, ov);
}
BOOL Win32Comm::WriteFile(HANDLE h, const void* data, DWORD n, DWORD* sent, OVERLAPPED* ov) {
  return ::WriteFile(h, data, n, sent, ov);
}
BOOL Win32Comm::GetOverlappedResult(HANDLE h, OVERLAPPED* ov, DWORD* n, BOOL wait) {
  return ::GetOverlappedResult(h, ov, n, wait);
}
BOOL Win32Comm::CancelIoEx(HANDLE h, OVERLAPPED* ov) { return ::CancelIoEx(h, ov); }
HANDLE Win32Comm::CreateEventW() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
BOOL Win32Comm::ResetEvent(HANDLE event) { return ::ResetEvent(event); }
DWORD Win32Comm::WaitForSingleObject(HANDLE object, DWORD ms) { return ::WaitForSingleObject(object, ms); }
BOOL Win32Comm::CloseHandle(HANDLE h) { return ::CloseHandle(h); }
DWORD Win32Comm::GetLastError() { return ::GetLastError(); }
MMRESULT Win32Comm::TimeBeginPeriod(UINT ms) { return ::timeBeginPeriod(ms); }
MMRESULT Win32Comm::TimeEndPeriod(UINT ms) { return ::timeEndPeriod(ms); }

std::string DevicePath(const std::string& portName) { return "\\\\.\\" + portName; }

OpenErrorKind ClassifyOpenError(int err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
      return OpenErrorKind::Missing;
    case ERROR_ACCESS_DENIED:
      return OpenErrorKind::Occupied;
    default:
      return OpenErrorKind::Other;
  }
}

std::unique_ptr<SerialBackend> MakeSystemBackend() { return std::make_unique<Win32SerialBackend>(); }

DWORD ReadIntervalMs(uint32_t baud) {
  switch (baud) {
    case 1200:
      return 240;
    case 2400:
      return 120;
    case 4800:
      return 50;
    case 9600:
      return 20;
    default:
      return 10;
  }
}

void ForceLineSwitches(DCB& dcb) {
  dcb.fBinary = TRUE;
  // Parity is checked even without a parity bit, and any line error stops the
  // transfers until ClearCommError has read it.
  dcb.fParity = TRUE;
  dcb.fAbortOnError = TRUE;
  // GetCommState reports what the last program on the port set. Either switch
  // left on would corrupt binary frames: fNull drops every received 0x00 (an
  // RTU reply with a zero byte fails its check), fErrorChar overwrites a byte
  // with a parity error instead of leaving the error for ClearCommError.
  dcb.fNull = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
}

Win32SerialBackend::Win32SerialBackend(std::unique_ptr<Win32Comm> api) : api_(std::move(api)) {
  for (OVERLAPPED* ov : {&read_, &write_, &wait_}) ov->hEvent = api_->CreateEventW();
}

Win32SerialBackend::~Win32SerialBackend() {
  Close();
  for (OVERLAPPED* ov : {&read_, &write_, &wait_})
    if (ov->hEvent) api_->CloseHandle(ov->hEvent);
}

int Win32SerialBackend::Open(const std::string& devicePath) {
  Close();
  for (OVERLAPPED* ov : {&read_, &write_, &wait_}) {
    if (ov->hEvent)
      api_->ResetEvent(ov->hEvent);
    else
      ov->hEvent = api_->CreateEventW();
  }
  const std::wstring path = Widen(devicePath);
  HANDLE h = api_->CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_FLAG_OVERLAPPED);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) {
    const DWORD err = api_->GetLastError();
    return err ? static_cast<int>(err) : ERROR_GEN_FAILURE;
  }
  port_ = h;
  api_->SetupComm(port_, kQueueSize, kQueueSize);
  // The silence between frames is a few milliseconds; at the system's default
  // timer resolution (about 15.6 ms) every such wait would last a whole tick.
  fineTimer_ = api_->TimeBeginPeriod(1) == TIMERR_NOERROR;
  return 0;
}

bool Win32SerialBackend::Close() {
  if (!IsOpen()) return false;
  EndPendingWait();
  return CloseHandleOnce();
}

bool Win32SerialBackend::CloseHandleOnce() {
  if (!IsOpen()) return true;  // already closed where a request could not be cancelled
  const bool ok = api_->CloseHandle(port_) != FALSE;
  port_ = INVALID_HANDLE_VALUE;
  if (fineTimer_) api_->TimeEndPeriod(1);
  fineTimer_ = false;
  return ok;
}

bool Win32SerialBackend::ApplyLine(const LineSettings& settings) {
  if (!IsOpen()) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!api_->GetCommState(port_, &dcb)) return false;
  const std::wstring text = Widen(ModeText(settings));
  api_->BuildCommDCBW(text.c_str(), &dcb);  // what it cannot parse stays as it was
  ForceLineSwitches(dcb);
  return api_->SetCommState(port_, &dcb) != FALSE;
}

bool Win32SerialBackend::ApplyTimeouts(uint32_t baud) {
  if (!IsOpen()) return false;
  COMMTIMEOUTS t{};
  if (!api_->GetCommTimeouts(port_, &t)) return false;
  // The multipliers keep the port's own values.
  t.ReadIntervalTimeout = ReadIntervalMs(baud);
  t.ReadTotalTimeoutConstant = kTotalTimeoutMs;
  t.WriteTotalTimeoutConstant = kTotalTimeoutMs;
  return api_->SetCommTimeouts(port_, &t) != FALSE;
}

bool Win32SerialBackend::Purge() {
  if (!IsOpen()) return false;
  lineError_ = false;
  return api_->PurgeComm(port_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
}

bool Win32SerialBackend::ReadStatus(DWORD& errors, DWORD& queued) {
  COMSTAT status{};
  errors = 0;
  queued = 0;
  if (!api_->ClearCommError(port_, &errors, &status)) return false;
  queued = status.cbInQue;
  if (errors & kLineErrors) lineError_ = true;
  return true;
}

bool Win32SerialBackend::TakeLineError() {
  DWORD errors = 0, queued = 0;
  if (!IsOpen()) return false;
  ReadStatus(errors, queued);
  const bool seen = lineError_;
  lineError_ = false;
  return seen;
}

long Win32SerialBackend::Queued() {
  DWORD errors = 0, queued = 0;
  if (!IsOpen() || !ReadStatus(errors, queued)) return -1;
  return static_cast<long>(queued);
}

// A signalled event says only that the request ended: its outcome and count
// are GetOverlappedResult's. A request still running at the limit is cancelled,
// and its end awaited, before the request block is used again.
bool Win32SerialBackend::Finish(OVERLAPPED& ov, bool endedAtOnce, DWORD limitMs, DWORD& count) {
  count = 0;
  if (endedAtOnce || api_->WaitForSingleObject(ov.hEvent, limitMs) == WAIT_OBJECT_0) {
    if (api_->GetOverlappedResult(port_, &ov, &count, FALSE)) return true;
    if (api_->GetLastError() != ERROR_IO_INCOMPLETE) return false;
  }
  count = 0;
  // ERROR_NOT_FOUND: it ended between the wait and the cancel, and its result
  // stands as it came.
  if (api_->CancelIoEx(port_, &ov) || api_->GetLastError() == ERROR_NOT_FOUND)
    return api_->GetOverlappedResult(port_, &ov, &count, TRUE) != FALSE;
  // Cancelling was refused, so the request may still be running and waiting
  // for it might never end. Closing the handle ends every request on it; the
  // port then reads as not open until the next open.
  CloseHandleOnce();
  api_->WaitForSingleObject(ov.hEvent, kIoLimitMs);
  return false;
}

bool Win32SerialBackend::Write(const uint8_t* data, size_t n, int limitMs) {
  if (!IsOpen()) return false;
  ClearOffsets(write_);
  api_->ResetEvent(write_.hEvent);
  // Ended at once or pending, the count is the request block's: the one that
  // WriteFile fills in is not reliable for overlapped requests.
  DWORD sent = 0;
  const bool atOnce = api_->WriteFile(port_, data, static_cast<DWORD>(n), &sent, &write_) != FALSE;
  if (!atOnce && api_->GetLastError() != ERROR_IO_PENDING) return false;
  // An aborted write (a line error under abort-on-error, a purge) or one that
  // the driver's total timeout cut short has not sent the frame.
  return Finish(write_, atOnce, static_cast<DWORD>(limitMs), sent) && sent == n;
}

long Win32SerialBackend::Read(uint8_t* data, size_t n) {
  if (!IsOpen()) return -1;
  // Whatever a short read leaves untouched must not be taken for bytes of this one.
  std::memset(data, 0, n);
  ClearOffsets(read_);
  api_->ResetEvent(read_.hEvent);
  DWORD got = 0;
  const bool atOnce = api_->ReadFile(port_, data, static_cast<DWORD>(n), &got, &read_) != FALSE;
  if (!atOnce && api_->GetLastError() != ERROR_IO_PENDING) return -1;
  if (!Finish(read_, atOnce, kIoLimitMs, got)) return -1;
  return static_cast<long>(got);
}

bool Win32SerialBackend::WaitReadable(int limitMs) {
  if (!IsOpen()) return false;
  EndPendingWait();
  api_->ResetEvent(wait_.hEvent);
  DWORD errors = 0, queued = 0;
  ReadStatus(errors, queued);  // a line error would stop the port until read
  if (!api_->SetCommMask(port_, EV_RXCHAR)) return false;
  ClearOffsets(wait_);
  waitMask_ = 0;
  const BOOL first = api_->WaitCommEvent(port_, &waitMask_, &wait_);
  waitPending_ = !first && api_->GetLastError() == ERROR_IO_PENDING;
  bool got = false;
  if (ReadStatus(errors, queued) && queued > 0) {
    got = true;
  } else if (waitPending_) {
    // Windows refuses a second wait while this one is pending (invalid
    // parameter), and the limit is then spent waiting for this one's event: a
    // byte arriving ends it. Waiting on it directly keeps that, also where a
    // refused second wait would set the event at once (wine), and loses no
    // signal between a reset and a second call.
    const ULONGLONG start = GetTickCount64();
    got = api_->WaitForSingleObject(wait_.hEvent, static_cast<DWORD>(limitMs)) == WAIT_OBJECT_0;
    DWORD n = 0;
    if (got && !api_->GetOverlappedResult(port_, &wait_, &n, FALSE)) {
      // The driver ended the wait without a character (aborted, or its event
      // thread is gone): the event says nothing. Asking again could fail at
      // once, so the rest of the limit passes on an event that is never set,
      // and the queue decides.
      waitPending_ = false;
      const ULONGLONG spent = GetTickCount64() - start;
      if (spent < static_cast<ULONGLONG>(limitMs)) {
        api_->ResetEvent(wait_.hEvent);
        api_->WaitForSingleObject(wait_.hEvent, static_cast<DWORD>(limitMs - spent));
      }
      got = ReadStatus(errors, queued) && queued > 0;
    }
  } else {
    api_->ResetEvent(wait_.hEvent);
    ClearOffsets(wait_);
    if (api_->WaitCommEvent(port_, &waitMask_, &wait_)) {
      got = true;
    } else {
      const DWORD err = api_->GetLastError();
      waitPending_ = err == ERROR_IO_PENDING;
      if (err == ERROR_IO_PENDING || err == ERROR_INVALID_PARAMETER || err == 0)
        got = api_->WaitForSingleObject(wait_.hEvent, static_cast<DWORD>(limitMs)) == WAIT_OBJECT_0;
    }
  }
  EndPendingWait();
  return got;
}

// A timed wait may end up to a timer tick early, and a silence cut short lets
// the next request run into the end of the last frame: the clock decides.
bool Win32SerialBackend::StaysQuiet(int limitMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
  // A wait that fails at once (a driver refusing the event mask) would make this
  // a busy loop: after a few tries the rest is slept out.
  for (int waits = 0; IsOpen() && waits < 4; ++waits) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return true;
    if (WaitReadable(static_cast<int>(left))) return false;
  }
  std::this_thread::sleep_until(end);
  return true;
}

// No receive-event wait outlives the call that started it: a mask of 0 ends a
// pending one at once, and its completion is taken before the request block is
// used again.
void Win32SerialBackend::EndPendingWait() {
  if (!waitPending_) return;
  waitPending_ = false;
  api_->SetCommMask(port_, 0);
  DWORD n = 0;
  Finish(wait_, false, kIoLimitMs, n);
}

}  // namespace tolvane
