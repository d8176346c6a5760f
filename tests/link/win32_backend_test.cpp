// The Win32 backend over a played driver: what wine cannot show (busy ports,
// line errors, full queues, stalled writes, Windows' answer to a second
// receive-event wait) and exactly what reaches the communications functions.
#include "link/win32_backend.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "core/comm_settings.h"
#include "link/serial_link.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

struct WaitAnswer {
  BOOL done;
  DWORD error;               // when not done
  bool byteArrives = false;  // a pending wait completes
  bool aborted = false;      // ... but with an error, no character seen
};

class PlayedDriver : public Win32Comm {
 public:
  DWORD openError = 0, errors = 0, queued = 0;
  bool writePends = false, readPends = false, maskFails = false;
  std::deque<WaitAnswer> waits;
  // What the backend did.
  std::wstring path, modeText;
  DWORD access = 0, share = 9, disposition = 0, flags = 0, inQueue = 0, outQueue = 0, purgeFlags = 0, readAsked = 0;
  DCB applied{};
  COMMTIMEOUTS timeouts{};
  std::vector<DWORD> waitedMs;
  bool pending = false, twoPending = false;

  HANDLE CreateFileW(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    path = p, access = a, share = s, disposition = d, flags = f;
    last_ = openError;
    return openError ? INVALID_HANDLE_VALUE : Fake(100);
  }
  BOOL SetupComm(HANDLE, DWORD in, DWORD out) override { return inQueue = in, outQueue = out, TRUE; }
  BOOL GetCommState(HANDLE, DCB* dcb) override {
    // A port left with every kind of flow control on.
    dcb->fOutxCtsFlow = dcb->fOutxDsrFlow = dcb->fDsrSensitivity = dcb->fOutX = dcb->fInX = TRUE;
    dcb->fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb->fRtsControl = RTS_CONTROL_TOGGLE;
    return TRUE;
  }
  BOOL BuildCommDCBW(const wchar_t* text, DCB*) override { return modeText = text, TRUE; }
  BOOL SetCommState(HANDLE, DCB* dcb) override { return applied = *dcb, TRUE; }
  BOOL GetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override {
    *t = COMMTIMEOUTS{1, 7, 2, 9, 3};
    return TRUE;
  }
  BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override { return timeouts = *t, TRUE; }
  BOOL PurgeComm(HANDLE, DWORD f) override { return purgeFlags = f, TRUE; }
  BOOL ClearCommError(HANDLE, DWORD* e, COMSTAT* st) override {
    *e = errors;
    errors = 0;
    st->cbInQue = queued;
    return TRUE;
  }
  BOOL SetCommMask(HANDLE, DWORD mask) override {
    if (mask == 0 && pending) pending = false, signalled_.insert(waitEvent_);
    return !maskFails;
  }
  BOOL WaitCommEvent(HANDLE, DWORD*, OVERLAPPED* ov) override {
    twoPending |= pending;
    WaitAnswer a = waits.empty() ? WaitAnswer{FALSE, ERROR_IO_PENDING} : waits.front();
    if (!waits.empty()) waits.pop_front();
    waitEvent_ = ov->hEvent;
    last_ = a.error;
    pending = !a.done && a.error == ERROR_IO_PENDING && !a.byteArrives;
    if (a.byteArrives) signalled_.insert(ov->hEvent);
    waitFails_ = a.aborted;
    return a.done;
  }
  BOOL ReadFile(HANDLE, void*, DWORD n, DWORD*, OVERLAPPED*) override {
    readAsked = n;
    last_ = readPends ? ERROR_IO_PENDING : 0;
    return !readPends;
  }
  BOOL WriteFile(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*) override {
    last_ = writePends ? ERROR_IO_PENDING : 0;
    return !writePends;
  }
  BOOL GetOverlappedResult(HANDLE, OVERLAPPED* ov, DWORD*, BOOL) override {
    return !(waitFails_ && ov->hEvent == waitEvent_);
  }
  BOOL CancelIoEx(HANDLE, OVERLAPPED*) override { return pending = false, TRUE; }
  HANDLE CreateEventW() override { return Fake(++events_); }
  BOOL ResetEvent(HANDLE e) override { return signalled_.erase(e), TRUE; }
  DWORD WaitForSingleObject(HANDLE e, DWORD ms) override {
    waitedMs.push_back(ms);
    return signalled_.count(e) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }
  BOOL CloseHandle(HANDLE) override { return TRUE; }
  DWORD GetLastError() override { return last_; }

 private:
  static HANDLE Fake(intptr_t n) { return reinterpret_cast<HANDLE>(n); }
  DWORD last_ = 0;
  intptr_t events_ = 0;
  HANDLE waitEvent_ = nullptr;
  bool waitFails_ = false;
  std::set<HANDLE> signalled_;
};

// Link() over a played driver, settings as the table says.
class Win32Link : public ::testing::Test {
 protected:
  void SetUp() override {
    auto d = std::make_unique<PlayedDriver>();
    driver = d.get();
    Link().SetBackend(std::make_unique<Win32SerialBackend>(std::move(d)));
    Comm() = CommSettings{};
    Comm().portName = "COM12";
  }
  void TearDown() override { Link().SetBackend(MakeSystemBackend()); }
  PlayedDriver* driver = nullptr;
};

TEST_F(Win32Link, OpensExclusivelyOverlappedAndAppliesSettingsAndTimeouts) {
  Comm().baud = 9600;
  Comm().parity = 2;
  Comm().dataBits = 8;
  Comm().stopBits = 1;
  ASSERT_TRUE(Link().OpenPort());
  EXPECT_EQ(driver->path, L"\\\\.\\COM12");
  EXPECT_EQ(driver->access, GENERIC_READ | GENERIC_WRITE);
  EXPECT_EQ(driver->share, 0u);
  EXPECT_EQ(driver->disposition, static_cast<DWORD>(OPEN_EXISTING));
  EXPECT_EQ(driver->flags, static_cast<DWORD>(FILE_FLAG_OVERLAPPED));
  EXPECT_EQ(driver->inQueue + driver->outQueue, 2400u);
  EXPECT_EQ(driver->modeText, L"baud=9600 parity=E data=8 stop=1");
  const DCB& d = driver->applied;
  EXPECT_TRUE(d.fBinary && d.fParity && d.fAbortOnError);
  EXPECT_FALSE(d.fOutxCtsFlow || d.fOutxDsrFlow || d.fDsrSensitivity || d.fOutX || d.fInX);
  EXPECT_EQ(d.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_EQ(d.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  // The multipliers keep what the port reported.
  const COMMTIMEOUTS& t = driver->timeouts;
  EXPECT_EQ(t.ReadIntervalTimeout, 20u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 30000u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 30000u);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 7u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 9u);
  for (auto [baud, interval] : {std::pair{1200u, 240u}, {2400u, 120u}, {4800u, 50u}, {19200u, 10u}, {115200u, 10u}}) {
    Comm().baud = baud;
    ASSERT_TRUE(Link().OpenPortBare());
    EXPECT_EQ(driver->timeouts.ReadIntervalTimeout, interval) << baud;
  }
  Link().PurgePort();
  EXPECT_EQ(driver->purgeFlags, static_cast<DWORD>(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
}

TEST_F(Win32Link, OpenFailuresShowTheirMessage) {
  for (auto [error, text] :
       {std::pair<DWORD, const char*>{ERROR_FILE_NOT_FOUND, "Specified communication port does not exist!"},
        {ERROR_ACCESS_DENIED, "Specified communication port has been occupied by other tasks!"},
        {ERROR_GEN_FAILURE,
         "Failed to initialize the communication port! Please check the "
         "hardware as well as the setting of communication parameters."}}) {
    test::MessageRecorder rec;
    driver->openError = error;
    EXPECT_EQ(Link().OpenPortWithMessages(nullptr), 8);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{text});
  }
}

TEST_F(Win32Link, ReadsTakeLineErrorsAndQueueFromTheDriver) {
  ASSERT_TRUE(Link().OpenPortBare());
  uint8_t buf[kFrameBufferSize];
  struct Case {
    DWORD errors, queued;
    bool readPends;
    int code;
  };
  for (Case c : {Case{CE_FRAME, 5, false, 11},
                 {CE_RXPARITY, 5, false, 11},
                 {CE_MODE, 5, false, 11},
                 {CE_OVERRUN | CE_BREAK, 5, false, 0},
                 {0, 4097, false, 12},
                 {0, 4096, false, 0},
                 {0, 5, true, 6}}) {
    driver->errors = c.errors, driver->queued = c.queued, driver->readPends = c.readPends, driver->readAsked = 0;
    ReadResult r = Link().ReadQueued(buf);
    EXPECT_EQ(r.code, c.code) << c.errors << " " << c.queued;
    if (c.code == 0) {
      EXPECT_EQ(r.count, c.queued);
    }
    // Exactly the queued count is read, and nothing when the queue is refused.
    EXPECT_EQ(driver->readAsked, c.code == 0 || c.code == 6 ? c.queued : 0u);
  }
}

TEST_F(Win32Link, AWriteThatStaysPendingFailsAfterItsLimit) {
  ASSERT_TRUE(Link().OpenPortBare());
  const uint8_t frame[2] = {1, 3};
  EXPECT_TRUE(Link().WriteRaw(frame, 2));
  driver->writePends = true;
  EXPECT_FALSE(Link().WriteRaw(frame, 2));
  EXPECT_EQ(driver->waitedMs.back(), 1500u);
}

struct WaitCase {
  const char* what;
  DWORD queuedBefore;
  std::vector<WaitAnswer> answers;
  bool result;
  bool waitsTheLimit;
};

TEST_F(Win32Link, ReceiveWaitEndsItsOnePendingWaitEveryTime) {
  const WaitCase cases[] = {
      {"bytes already queued", 3, {{FALSE, ERROR_IO_PENDING}}, true, false},
      {"silent module", 0, {{FALSE, ERROR_IO_PENDING}}, false, true},
      {"a byte arrives while waiting", 0, {{FALSE, ERROR_IO_PENDING, true}}, true, true},
      {"first wait done at once, second too", 0, {{TRUE, 0}, {TRUE, 0}}, true, false},
      {"first wait done at once, second pends", 0, {{TRUE, 0}, {FALSE, ERROR_IO_PENDING}}, false, true},
      {"waits refused with invalid parameter",
       0,
       {{FALSE, ERROR_INVALID_PARAMETER}, {FALSE, ERROR_INVALID_PARAMETER}},
       false,
       true},
      {"pending wait ends aborted, nothing queued", 0, {{FALSE, ERROR_IO_PENDING, true, true}}, false, true},
      {"event thread gone (aborted)",
       0,
       {{FALSE, ERROR_OPERATION_ABORTED}, {FALSE, ERROR_OPERATION_ABORTED}},
       false,
       false},
  };
  ASSERT_TRUE(Link().OpenPortBare());
  for (const WaitCase& c : cases) {
    SCOPED_TRACE(c.what);
    driver->queued = c.queuedBefore;
    driver->waits.assign(c.answers.begin(), c.answers.end());
    driver->waitedMs.clear();
    EXPECT_EQ(Link().WaitForReceive(200), c.result);
    EXPECT_EQ(!driver->waitedMs.empty() && driver->waitedMs.front() == 200, c.waitsTheLimit);
    EXPECT_FALSE(driver->pending);
    EXPECT_FALSE(driver->twoPending);
  }
  driver->maskFails = true;
  EXPECT_FALSE(Link().WaitForReceive(200));
}

}  // namespace
}  // namespace tolvane
