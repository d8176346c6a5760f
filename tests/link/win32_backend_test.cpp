// The Win32 backend over a played driver: what wine cannot show (busy ports,
// line errors, full queues, stalled writes, Windows' answer to a second
// receive-event wait) and exactly what reaches the communications functions.
#include "link/win32_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <set>

#include "core/comm_settings.h"
#include "link/serial_link.h"
#include "link/traffic_recorder.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

struct WaitAnswer {
  BOOL done;
  DWORD error;               // when not done
  bool byteArrives = false;  // a pending wait completes
  bool aborted = false;      // ... but with an error, no character seen
  DWORD bytes = 0;           // ... and queues this many
};

// How the driver plays one read or write request; a refused start and an
// unsuccessful end report ERROR_OPERATION_ABORTED.
struct IoPlay {
  enum Start { kAtOnce, kPends, kRefused } start = kAtOnce;
  bool endsInTime = true;  // kPends: it ends before the wait's limit
  BOOL ok = TRUE;          // what GetOverlappedResult says once it has ended,
  int count = -1;          // with the bytes it moved (-1: all asked)
  DWORD cancelError = 0;   // CancelIoEx: 0 cancels it; ERROR_NOT_FOUND: it had just ended as played; else refused
};

class PlayedDriver : public Win32Comm {
 public:
  PlayedDriver() {
    // A port left with every kind of flow control on.
    left.fOutxCtsFlow = left.fOutxDsrFlow = left.fDsrSensitivity = left.fOutX = left.fInX = TRUE;
    left.fDtrControl = DTR_CONTROL_HANDSHAKE;
    left.fRtsControl = RTS_CONTROL_TOGGLE;
  }
  DWORD openError = 0, errors = 0, queued = 0;
  bool maskFails = false;
  IoPlay readPlay, writePlay;
  DCB left{};  // what GetCommState reports: the last program's settings
  std::deque<WaitAnswer> waits;
  // What the backend did.
  std::wstring path, modeText;
  DWORD access = 0, share = 9, disposition = 0, flags = 0, inQueue = 0, outQueue = 0, purgeFlags = 0, readAsked = 0;
  DCB applied{};
  COMMTIMEOUTS timeouts{};
  std::vector<DWORD> waitedMs;
  bool pending = false, twoPending = false, portOpen = false;
  int waitAsks = 0;
  int timerPeriods = 0;  // 1 ms timer periods begun and not yet ended
  std::chrono::steady_clock::time_point lastRead{};
  bool dirtyReadBuffer = false;  // a read was handed bytes left from an earlier one
  bool hung = false;             // waited without limit for a request that nothing ends (no cancel)

  bool Running() const {
    return std::any_of(requests_.begin(), requests_.end(), [](const auto& r) { return r.second.running; });
  }

  HANDLE CreateFileW(const wchar_t* p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    path = p, access = a, share = s, disposition = d, flags = f;
    last_ = openError;
    portOpen = !openError;
    return openError ? INVALID_HANDLE_VALUE : kPort;
  }
  BOOL SetupComm(HANDLE, DWORD in, DWORD out) override { return inQueue = in, outQueue = out, TRUE; }
  BOOL GetCommState(HANDLE, DCB* dcb) override {
    const DWORD length = dcb->DCBlength;
    *dcb = left;
    dcb->DCBlength = length;
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
    ++waitAsks;
    twoPending |= pending;
    WaitAnswer a = waits.empty() ? WaitAnswer{FALSE, ERROR_IO_PENDING} : waits.front();
    if (!waits.empty()) waits.pop_front();
    waitEvent_ = ov->hEvent;
    last_ = a.error;
    pending = !a.done && a.error == ERROR_IO_PENDING && !a.byteArrives;
    if (a.byteArrives) signalled_.insert(ov->hEvent), queued += a.bytes;
    waitFails_ = a.aborted;
    return a.done;
  }
  BOOL ReadFile(HANDLE, void* data, DWORD n, DWORD*, OVERLAPPED* ov) override {
    readAsked = n;
    auto* bytes = static_cast<uint8_t*>(data);
    dirtyReadBuffer |= std::any_of(bytes, bytes + n, [](uint8_t b) { return b != 0; });
    std::fill_n(bytes, n, uint8_t{0x5A});
    lastRead = std::chrono::steady_clock::now();
    const BOOL started = Start(readPlay, ov, n);
    if (readPlay.start != IoPlay::kRefused) queued -= std::min(queued, n);
    return started;
  }
  BOOL WriteFile(HANDLE, const void*, DWORD n, DWORD*, OVERLAPPED* ov) override { return Start(writePlay, ov, n); }
  BOOL GetOverlappedResult(HANDLE, OVERLAPPED* ov, DWORD* n, BOOL wait) override {
    if (ov->hEvent == waitEvent_) {
      hung |= wait && pending;
      return !waitFails_;
    }
    Request& r = requests_[ov->hEvent];
    if (r.running && wait && r.cancelling) End(r, ov->hEvent, true);
    *n = r.cancelled ? 0 : r.play.count < 0 ? r.asked : static_cast<DWORD>(r.play.count);
    if (r.running) {
      hung |= wait != FALSE;
      last_ = ERROR_IO_INCOMPLETE;
      return FALSE;
    }
    last_ = r.cancelled || !r.play.ok ? ERROR_OPERATION_ABORTED : 0;
    return last_ == 0;
  }
  // A cancelled request ends only once someone waits for it, as a driver may take its time.
  BOOL CancelIoEx(HANDLE, OVERLAPPED* ov) override {
    if (ov->hEvent == waitEvent_) return pending = false, TRUE;
    Request& r = requests_[ov->hEvent];
    last_ = r.running ? r.play.cancelError : ERROR_NOT_FOUND;
    if (last_ == ERROR_NOT_FOUND && r.running) End(r, ov->hEvent, false);
    r.cancelling = last_ == 0;
    return last_ == 0;
  }
  HANDLE CreateEventW() override { return Fake(++events_); }
  BOOL ResetEvent(HANDLE e) override { return signalled_.erase(e), TRUE; }
  DWORD WaitForSingleObject(HANDLE e, DWORD ms) override {
    waitedMs.push_back(ms);
    if (auto r = requests_.find(e); r != requests_.end() && r->second.running && r->second.cancelling)
      End(r->second, e, true);
    if (signalled_.count(e)) return WAIT_OBJECT_0;
    // A short wait that times out ends early, as one below the timer's resolution may.
    if (ms <= 50) Sleep((ms + 1) / 2);
    return WAIT_TIMEOUT;
  }
  BOOL CloseHandle(HANDLE h) override {
    if (h != kPort) return TRUE;
    portOpen = false;
    for (auto& [event, r] : requests_)  // closing the port ends every request on it
      if (r.running) End(r, event, true);
    return TRUE;
  }
  DWORD GetLastError() override { return last_; }
  MMRESULT TimeBeginPeriod(UINT ms) override { return timerPeriods += ms == 1, TIMERR_NOERROR; }
  MMRESULT TimeEndPeriod(UINT ms) override { return timerPeriods -= ms == 1, TIMERR_NOERROR; }

 private:
  struct Request {
    IoPlay play;
    DWORD asked = 0;
    bool running = false, cancelling = false, cancelled = false;
  };
  static HANDLE Fake(intptr_t n) { return reinterpret_cast<HANDLE>(n); }
  inline static const HANDLE kPort = Fake(100);
  BOOL Start(const IoPlay& play, OVERLAPPED* ov, DWORD n) {
    Request& r = requests_[ov->hEvent] = Request{play, n};
    last_ = play.start == IoPlay::kRefused ? ERROR_OPERATION_ABORTED : ERROR_IO_PENDING;
    if (play.start == IoPlay::kRefused) return FALSE;
    r.running = true;
    if (play.start == IoPlay::kAtOnce || play.endsInTime) End(r, ov->hEvent, false);
    return play.start == IoPlay::kAtOnce;
  }
  void End(Request& r, HANDLE event, bool cancelled) {
    r.running = false;
    r.cancelled = cancelled;
    signalled_.insert(event);
  }
  DWORD last_ = 0;
  intptr_t events_ = 0;
  HANDLE waitEvent_ = nullptr;
  bool waitFails_ = false;
  std::set<HANDLE> signalled_;
  std::map<HANDLE, Request> requests_;
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
  EXPECT_EQ(driver->timerPeriods, 1);  // the frame gaps need a 1 ms timer while the port is open
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
  EXPECT_EQ(driver->timerPeriods, 1);  // reopened, each open's period ended with its close
  Link().ClosePort();
  EXPECT_EQ(driver->timerPeriods, 0);
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
    driver->errors = c.errors, driver->queued = c.queued, driver->readAsked = 0;
    driver->readPlay = c.readPends ? IoPlay{.start = IoPlay::kPends, .endsInTime = false} : IoPlay{};
    ReadResult r = Link().ReadQueued(buf);
    EXPECT_EQ(r.code, c.code) << c.errors << " " << c.queued;
    if (c.code == 0) {
      EXPECT_EQ(r.count, c.queued);
    }
    // Exactly the queued count is read, and nothing when the queue is refused.
    EXPECT_EQ(driver->readAsked, c.code == 0 || c.code == 6 ? c.queued : 0u);
  }
}

enum class Op { kRead, kWrite, kApplyLine };

struct CompletionCase {
  const char* what;
  Op op;
  IoPlay play;
  int code;      // ReadQueued's; a write: 0 sent, 5 not; applying: 0
  size_t count;  // bytes read
  bool staysOpen = true;
};

// Which of the forced line switches the applied settings lack.
std::string Unforced(const DCB& d) {
  std::string lacking;
  auto need = [&](bool held, const char* name) { lacking += held ? "" : std::string(name) + " "; };
  need(d.fBinary && d.fParity && d.fAbortOnError, "binary/parity/abort");
  need(!d.fNull, "fNull");
  need(!d.fErrorChar, "fErrorChar");
  need(!d.fOutxCtsFlow && !d.fOutxDsrFlow && !d.fDsrSensitivity && !d.fOutX && !d.fInX, "flow control");
  need(d.fDtrControl == DTR_CONTROL_DISABLE && d.fRtsControl == RTS_CONTROL_DISABLE, "DTR/RTS");
  return lacking;
}

TEST_F(Win32Link, RequestsEndAsTheDriverReportsAndLineSettingsAreForced) {
  using enum IoPlay::Start;
  const CompletionCase cases[] = {
      {"read ends at once", Op::kRead, {}, 0, 5},
      {"read ends at once, short", Op::kRead, {.count = 2}, 0, 2},
      {"read pends and ends", Op::kRead, {.start = kPends}, 0, 5},
      {"read pends and ends short", Op::kRead, {.start = kPends, .count = 3}, 0, 3},
      {"read ends aborted", Op::kRead, {.start = kPends, .ok = FALSE}, 6, 0},
      {"read refused at the start", Op::kRead, {.start = kRefused}, 6, 0},
      {"read still running at the limit", Op::kRead, {.start = kPends, .endsInTime = false}, 6, 0},
      {"read ended just before its cancel", Op::kRead, {kPends, false, TRUE, -1, ERROR_NOT_FOUND}, 0, 5},
      {"read whose cancel is refused", Op::kRead, {kPends, false, TRUE, -1, ERROR_INVALID_HANDLE}, 6, 0, false},
      {"write ends at once", Op::kWrite, {}, 0, 0},
      {"write ends at once, short", Op::kWrite, {.count = 1}, 5, 0},
      {"write pends and ends", Op::kWrite, {.start = kPends}, 0, 0},
      {"write ends aborted", Op::kWrite, {.start = kPends, .ok = FALSE, .count = 0}, 5, 0},
      {"write cut short by the total timeout", Op::kWrite, {.start = kPends, .count = 1}, 5, 0},
      {"write refused at the start", Op::kWrite, {.start = kRefused}, 5, 0},
      {"write still running at the limit", Op::kWrite, {.start = kPends, .endsInTime = false}, 5, 0},
      {"write ended just before its cancel", Op::kWrite, {kPends, false, TRUE, -1, ERROR_NOT_FOUND}, 0, 0},
      {"write whose cancel is refused", Op::kWrite, {kPends, false, TRUE, -1, ERROR_INVALID_HANDLE}, 5, 0, false},
      {"port left with every switch the other way", Op::kApplyLine, {}, 0, 0},
  };
  uint8_t buf[kFrameBufferSize];
  const uint8_t frame[2] = {1, 3};
  for (const CompletionCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Link().OpenPortBare());
    driver->dirtyReadBuffer = false, driver->queued = 5;
    driver->waitedMs.clear();
    driver->readPlay = driver->writePlay = c.play;
    ReadResult r{};
    switch (c.op) {
      case Op::kRead:
        r = Link().ReadQueued(buf);
        break;
      case Op::kWrite:
        r.code = Link().WriteRaw(frame, 2) ? kLinkOk : kLinkSendFailed;
        break;
      case Op::kApplyLine:
        driver->left.fNull = driver->left.fErrorChar = TRUE;  // on top of every kind of flow control
        driver->left.fRtsControl = RTS_CONTROL_HANDSHAKE;
        r.code = Link().ApplyLineSettings() ? kLinkOk : kLinkCannotOpen;
        EXPECT_EQ(Unforced(driver->applied), "");
        break;
    }
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.count, c.count);
    EXPECT_EQ(driver->waitedMs.empty() ? 0u : driver->waitedMs.front(), c.play.start == kPends ? 1500u : 0u);
    // No request is left running on its request block (a cancelled one ends
    // only once it is waited for), none is waited for without end, and no read
    // starts on bytes of an earlier one.
    EXPECT_FALSE(driver->Running());
    EXPECT_FALSE(driver->hung);
    EXPECT_FALSE(driver->dirtyReadBuffer);
    EXPECT_EQ(driver->portOpen, c.staysOpen);
    EXPECT_EQ(driver->timerPeriods, c.staysOpen ? 1 : 0);
  }
}

struct WaitCase {
  const char* what;
  DWORD queuedBefore;
  std::vector<WaitAnswer> answers;
  bool result;
  bool waitsTheLimit;
  int asks = 1;          // receive-event waits started
  DWORD lineErrors = 0;  // what the wait's status reads see
};

TEST_F(Win32Link, ReceiveWaitEndsItsOnePendingWaitEveryTime) {
  const WaitCase cases[] = {
      {"bytes already queued", 3, {{FALSE, ERROR_IO_PENDING}}, true, false},
      {"silent module", 0, {{FALSE, ERROR_IO_PENDING}}, false, true},
      {"a byte arrives while waiting", 0, {{FALSE, ERROR_IO_PENDING, true}}, true, true},
      {"first wait done at once, second too", 0, {{TRUE, 0}, {TRUE, 0}}, true, false, 2},
      {"first wait done at once, second pends", 0, {{TRUE, 0}, {FALSE, ERROR_IO_PENDING}}, false, true, 2},
      {"waits refused with invalid parameter",
       0,
       {{FALSE, ERROR_INVALID_PARAMETER}, {FALSE, ERROR_INVALID_PARAMETER}},
       false,
       true,
       2},
      // Asking again after the driver ended the wait could fail at once and spin.
      {"pending wait ends aborted, nothing queued", 0, {{FALSE, ERROR_IO_PENDING, true, true}}, false, true, 1},
      {"event thread gone (aborted)",
       0,
       {{FALSE, ERROR_OPERATION_ABORTED}, {FALSE, ERROR_OPERATION_ABORTED}},
       false,
       false,
       2},
      // Reading the status clears the driver's flags: the next read still reports the error, once.
      {"a framing error seen by the wait", 3, {{FALSE, ERROR_IO_PENDING}}, true, false, 1, CE_FRAME},
      {"a parity error seen by a silent wait", 0, {{FALSE, ERROR_IO_PENDING}}, false, true, 1, CE_RXPARITY},
  };
  ASSERT_TRUE(Link().OpenPortBare());
  uint8_t buf[kFrameBufferSize];
  for (const WaitCase& c : cases) {
    SCOPED_TRACE(c.what);
    driver->queued = c.queuedBefore;
    driver->errors = c.lineErrors;
    driver->waits.assign(c.answers.begin(), c.answers.end());
    driver->waitedMs.clear();
    driver->waitAsks = 0;
    EXPECT_EQ(Link().WaitForReceive(200), c.result);
    EXPECT_EQ(!driver->waitedMs.empty() && driver->waitedMs.front() == 200, c.waitsTheLimit);
    EXPECT_EQ(driver->waitAsks, c.asks);
    EXPECT_FALSE(driver->pending);
    EXPECT_FALSE(driver->twoPending);
    EXPECT_FALSE(driver->hung);
    EXPECT_EQ(Link().ReadQueued(buf).code, c.lineErrors ? kLinkLineError : kLinkOk);
    EXPECT_EQ(Link().ReadQueued(buf).code, kLinkOk);
  }
  driver->maskFails = true;
  EXPECT_FALSE(Link().WaitForReceive(200));
}

struct SilenceCase {
  const char* what;
  DWORD queuedBefore;
  std::vector<WaitAnswer> answers;
  size_t thrownAway;
  int asksAtLeast;  // receive-event waits started
};

// The gap between frames over waits that end early: the line must stay quiet
// for the whole gap after the last byte, whatever the timer does.
TEST_F(Win32Link, SilenceLastsTheWholeGapAndAByteRestartsIt) {
  const SilenceCase cases[] = {
      {"a quiet line", 0, {}, 0, 2},
      {"bytes queued before the wait", 3, {}, 3, 2},
      {"a byte arrives during the wait", 0, {{FALSE, ERROR_IO_PENDING, true, false, 2}}, 2, 3},
  };
  using Clock = std::chrono::steady_clock;
  const std::chrono::microseconds gap(4010);  // 3.5 characters of 11 bits at 9600 baud
  for (const SilenceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Clock::time_point opened = Clock::now();
    ASSERT_TRUE(Link().OpenPortBare());
    driver->queued = c.queuedBefore;
    driver->waits.assign(c.answers.begin(), c.answers.end());
    driver->waitAsks = 0;
    driver->lastRead = opened;
    const uint64_t from = Traffic().NextSeq();
    EXPECT_TRUE(Link().WaitForSilence(gap, 1000));
    // Measured from the last activity seen: the open, or the last byte thrown away.
    EXPECT_GE(Clock::now() - std::max(opened, driver->lastRead), gap);
    EXPECT_GE(driver->waitAsks, c.asksAtLeast);
    std::vector<TrafficEntry> records;
    Traffic().ReadSince(from, 100, records, nullptr);
    size_t stray = 0;
    for (const TrafficEntry& e : records) stray += e.record.event == TrafficEvent::kStray ? e.bytes.size() : 0;
    EXPECT_EQ(stray, c.thrownAway);
    EXPECT_FALSE(driver->pending);
    EXPECT_FALSE(driver->hung);
  }
}

}  // namespace
}  // namespace tolvane
