// The POSIX backend on real pseudo-terminals.
#include "link/posix_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <numeric>
#include <string>
#include <vector>

#include "link/serial_link.h"
#include "link/traffic_recorder.h"

namespace tolvane {
namespace {

struct Pty {
  int master = -1;
  std::string slave;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    slave = ptsname(master);
  }
  ~Pty() { close(master); }
  termios Shared() const {
    termios t{};
    tcgetattr(master, &t);
    return t;
  }
};

// A link on the pty's slave end at 115200 8N1, its backend handed out for checks.
void OpenFast(const Pty& pty, SerialLink& link, PosixSerialBackend*& b) {
  auto backend = std::make_unique<PosixSerialBackend>();
  b = backend.get();
  link.SetBackend(std::move(backend));
  ASSERT_EQ(b->Open(pty.slave), 0);
  ASSERT_TRUE(b->ApplyLine({115200, 'N', 8, 1}));
}

TEST(ModeText, BuildsTermiosFromTheSettingsText) {
  termios t{};
  cfmakeraw(&t);
  ASSERT_TRUE(ParseModeText("baud=19200 parity=O data=7 stop=2", t));
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_TRUE(t.c_cflag & PARENB);
  EXPECT_TRUE(t.c_cflag & PARODD);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  ASSERT_TRUE(ParseModeText("baud=9600 parity=S data=8 stop=1", t));
  EXPECT_TRUE(t.c_cflag & CMSPAR);
  EXPECT_FALSE(t.c_cflag & PARODD);
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  // A rate termios cannot express fails rather than falling back.
  EXPECT_FALSE(ParseModeText("baud=14400 parity=N data=8 stop=1", t));
}

TEST(ModeText, ForcedSwitchesTurnOffFlowControlAndMarkErrors) {
  termios t{};
  t.c_iflag = IXON | IXOFF | IXANY | IGNPAR;
  t.c_cflag = CRTSCTS;
  ForceLineSwitches(t);
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | IXANY | IGNPAR));
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE(t.c_iflag & INPCK);
  EXPECT_TRUE(t.c_iflag & PARMRK);
  EXPECT_TRUE(t.c_cflag & CLOCAL);
  EXPECT_TRUE(t.c_cflag & CREAD);
}

TEST(ReadBack, OnlyAPseudoTerminalMayDropDataBitsAndParityEnable) {
  termios want{}, got{};
  cfsetospeed(&want, B9600);
  want.c_cflag |= CS7 | PARENB | CSTOPB;
  got = want;
  got.c_cflag = (got.c_cflag & ~(CSIZE | PARENB)) | CS8;
  EXPECT_TRUE(AcceptReadBack(want, got, true));
  EXPECT_FALSE(AcceptReadBack(want, got, false));  // a real UART that refused
  got.c_cflag &= ~CSTOPB;
  EXPECT_FALSE(AcceptReadBack(want, got, true));
  got = want;
  cfsetospeed(&got, B4800);
  EXPECT_FALSE(AcceptReadBack(want, got, true));
}

TEST(PosixBackend, AppliesSevenBitEvenParityTwiceOnAPty) {
  Pty pty;
  PosixSerialBackend b;
  ASSERT_EQ(b.Open(pty.slave), 0);
  EXPECT_TRUE(b.isPty());
  LineSettings s{9600, 'E', 7, 1};
  EXPECT_TRUE(b.ApplyLine(s));
  EXPECT_TRUE(b.ApplyLine(s));
  s = {57600, 'O', 8, 2};
  ASSERT_TRUE(b.ApplyLine(s));
  // The other end sees what the device holds: speed, stop bits, odd parity.
  termios t = pty.Shared();
  EXPECT_EQ(cfgetospeed(&t), B57600);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & PARODD);
  EXPECT_FALSE(b.ApplyLine({14400, 'N', 8, 1}));
}

TEST(PosixBackend, OpenErrorsByMeaning) {
  PosixSerialBackend b;
  EXPECT_EQ(ClassifyOpenError(b.Open("/dev/tolvane-no-such-port")), OpenErrorKind::Missing);
  Pty pty;
  int holder = open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(ClassifyOpenError(b.Open(pty.slave)), OpenErrorKind::Occupied);
  close(holder);
  EXPECT_EQ(b.Open(pty.slave), 0);
  EXPECT_EQ(ClassifyOpenError(PosixSerialBackend().Open("/dev/null")), OpenErrorKind::Other);  // not a tty
  EXPECT_EQ(DevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(DevicePath("/tmp/port"), "/tmp/port");
}

TEST(PosixBackend, RestoresTheSavedSettingsAtClose) {
  Pty pty;
  termios before = pty.Shared();
  PosixSerialBackend b;
  ASSERT_EQ(b.Open(pty.slave), 0);
  ASSERT_TRUE(b.ApplyLine({1200, 'O', 8, 2}));
  b.Close();
  termios after = pty.Shared();
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
  EXPECT_EQ(after.c_cflag & (CSTOPB | PARODD), before.c_cflag & (CSTOPB | PARODD));
}

TEST(PosixBackend, UndoesTheDoubledFfOfTheLineDiscipline) {
  Pty pty;
  SerialLink link;
  PosixSerialBackend* b = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenFast(pty, link, b));
  const uint8_t data[] = {0x01, 0xFF, 0x00, 0xFF, 0xFF, 0x7E};
  ASSERT_EQ(write(pty.master, data, sizeof data), static_cast<ssize_t>(sizeof data));
  ASSERT_TRUE(link.WaitForReceive(1000));
  EXPECT_EQ(b->Queued(), 9);  // every 0xFF doubled
  uint8_t buf[kFrameBufferSize];
  ReadResult r = link.ReadQueued(buf);
  ASSERT_EQ(r.code, 0);
  ASSERT_EQ(r.count, sizeof data);
  EXPECT_EQ(0, memcmp(buf, data, sizeof data));
}

TEST(PosixBackend, WaitReturnsAtOnceWhenBytesAreQueuedAndTimesOutOtherwise) {
  Pty pty;
  PosixSerialBackend b;
  ASSERT_EQ(b.Open(pty.slave), 0);
  EXPECT_FALSE(b.WaitReadable(30));
  ASSERT_EQ(write(pty.master, "x", 1), 1);
  EXPECT_TRUE(b.WaitReadable(0));
  EXPECT_TRUE(b.Purge());
  EXPECT_EQ(b.Queued(), 0);
}

// Sees what the device would do with the modem lines and how long each poll waits.
class ProbedBackend : public PosixSerialBackend {
 public:
  int lines = TIOCM_DTR | TIOCM_RTS;  // the kernel raises both at open
  bool noModemLines = false;
  int modemRequests = 0;
  std::vector<int> pollLimits;

 protected:
  bool ModemControl(unsigned long request, int bits) override {
    ++modemRequests;
    if (noModemLines) {
      errno = ENOTTY;
      return false;
    }
    if (request == TIOCMBIC) lines &= ~bits;
    if (request == TIOCMBIS) lines |= bits;
    if (request == TIOCMSET) lines = bits;
    return true;
  }
  int Poll(pollfd* p, int timeoutMs) override {
    pollLimits.push_back(timeoutMs);
    return PosixSerialBackend::Poll(p, 0);
  }
};

TEST(PosixBackend, DtrAndRtsAreLoweredAtOpenAndStayLow) {
  Pty pty;
  const int both = TIOCM_DTR | TIOCM_RTS;
  {
    ProbedBackend b;
    ASSERT_EQ(b.Open(pty.slave), 0);
    EXPECT_EQ(b.lines & both, 0);
    b.lines = both;  // what the kernel does when the speed leaves B0
    ASSERT_TRUE(b.ApplyLine({9600, 'N', 8, 1}));
    EXPECT_EQ(b.lines & both, 0);
  }
  // A port without modem lines (a pty) refuses the request: the port still opens and takes its settings.
  ProbedBackend b;
  b.noModemLines = true;
  ASSERT_EQ(b.Open(pty.slave), 0);
  EXPECT_TRUE(b.ApplyLine({115200, 'E', 8, 1}));
  EXPECT_GE(b.modemRequests, 2);
}

TEST(PosixBackend, TheFirstByteWaitLastsItsWholeLimit) {
  Pty pty;
  ProbedBackend b;
  ASSERT_EQ(b.Open(pty.slave), 0);
  EXPECT_FALSE(b.WaitReadable(100));
  ASSERT_FALSE(b.pollLimits.empty());
  EXPECT_EQ(b.pollLimits.front(), 100);  // not 99: the time left is rounded up
}

TEST(PosixBackend, EveryByteValueCrossesUnchangedBothWays) {
  Pty pty;
  SerialLink link;
  PosixSerialBackend* b = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenFast(pty, link, b));
  std::vector<uint8_t> all(256);
  std::iota(all.begin(), all.end(), 0);

  // Module to tool: no input translation (CR to LF, flow control, signals, stripping).
  ASSERT_EQ(write(pty.master, all.data(), all.size()), 256);
  std::vector<uint8_t> got;
  uint8_t buf[kFrameBufferSize];
  while (got.size() < all.size() && link.WaitForReceive(1000)) {
    ReadResult r = link.ReadQueued(buf);
    ASSERT_EQ(r.code, 0);
    got.insert(got.end(), buf, buf + r.count);
  }
  EXPECT_EQ(got, all);

  // Tool to module: no output processing.
  ASSERT_TRUE(link.WriteRaw(all.data(), all.size()));
  got.clear();
  pollfd p{pty.master, POLLIN, 0};
  while (got.size() < all.size() && poll(&p, 1, 1000) == 1) {
    ssize_t n = read(pty.master, buf, sizeof buf);
    ASSERT_GT(n, 0);
    got.insert(got.end(), buf, buf + n);
  }
  EXPECT_EQ(got, all);
}

TEST(PosixBackend, APurgeRecordsWhatItThrowsAway) {
  Pty pty;
  SerialLink link;
  PosixSerialBackend* b = nullptr;
  ASSERT_NO_FATAL_FAILURE(OpenFast(pty, link, b));
  const uint8_t late[] = {0x01, 0x03, 0x04};  // the start of an answer that came too late
  ASSERT_EQ(write(pty.master, late, sizeof late), static_cast<ssize_t>(sizeof late));
  ASSERT_TRUE(link.WaitForReceive(1000));
  const uint64_t from = Traffic().NextSeq();
  link.PurgePort();
  std::vector<TrafficEntry> records;
  uint64_t missed = 0;
  Traffic().ReadSince(from, 10, records, &missed);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].record.event, TrafficEvent::kPurge);
  EXPECT_EQ(records[0].record.code, 3);
  EXPECT_EQ(b->Queued(), 0);
}

}  // namespace
}  // namespace tolvane
