#include "link/posix_backend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace tolvane {
namespace {

speed_t SpeedOf(uint32_t baud, bool& ok) {
  ok = true;
  switch (baud) {
    case 50:
      return B50;
    case 75:
      return B75;
    case 110:
      return B110;
    case 134:
      return B134;
    case 150:
      return B150;
    case 200:
      return B200;
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
    default:
      ok = false;
      return B0;
  }
}

using Clock = std::chrono::steady_clock;
// Whole milliseconds left, rounded up: a wait of W ms must not end a fraction
// of a millisecond before W has passed.
int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

std::string DevicePath(const std::string& portName) {
  if (!portName.empty() && portName[0] == '/') return portName;
  return "/dev/" + portName;
}

OpenErrorKind ClassifyOpenError(int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return OpenErrorKind::Missing;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenErrorKind::Occupied;
    case EACCES:
    case EPERM:
      return OpenErrorKind::Permission;
    default:
      return OpenErrorKind::Other;
  }
}

std::unique_ptr<SerialBackend> MakeSystemBackend() { return std::make_unique<PosixSerialBackend>(); }

bool ParseModeText(const std::string& text, termios& t) {
  unsigned baud = 0;
  char parity = 0;
  int data = 0, stop = 0;
  // The platform parser applies what it understands and ignores the rest.
  int got = std::sscanf(text.c_str(), "baud=%u parity=%c data=%d stop=%d", &baud, &parity, &data, &stop);
  if (got < 1) return false;
  bool ok = false;
  speed_t sp = SpeedOf(baud, ok);
  if (!ok) return false;
  cfsetispeed(&t, sp);
  cfsetospeed(&t, sp);
  if (got >= 2) {
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
      case 'O':
        t.c_cflag |= PARENB | PARODD;
        break;
      case 'E':
        t.c_cflag |= PARENB;
        break;
      case 'M':
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
      case 'S':
        t.c_cflag |= PARENB | CMSPAR;
        break;
      default:
        break;
    }
  }
  if (got >= 3 && data >= 5 && data <= 8) {
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag = (t.c_cflag & ~CSIZE) | sizes[data - 5];
  }
  if (got >= 4 && (stop == 1 || stop == 2)) {
    if (stop == 2)
      t.c_cflag |= CSTOPB;
    else
      t.c_cflag &= ~CSTOPB;
  }
  return true;
}

void ForceLineSwitches(termios& t) {
  t.c_iflag &= ~(IXON | IXOFF | IXANY | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | BRKINT);
  t.c_iflag |= INPCK | PARMRK | IGNBRK;
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ICANON | ECHO | ECHONL | ISIG | IEXTEN);
  t.c_cflag &= ~CRTSCTS;
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

bool AcceptReadBack(const termios& wanted, const termios& got, bool isPty) {
  if (!isPty) return false;
  if (cfgetospeed(&wanted) != cfgetospeed(&got)) return false;
  const tcflag_t held = CSTOPB | PARODD | CLOCAL;
  return (wanted.c_cflag & held) == (got.c_cflag & held);
}

PosixSerialBackend::~PosixSerialBackend() { Close(); }

int PosixSerialBackend::Open(const std::string& devicePath) {
  Close();
  int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  // Root ignores TIOCEXCL, so the advisory lock is what keeps a second program out.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return EBUSY;
  }
  termios t{};
  if (tcgetattr(fd, &t) != 0) {
    int err = errno;
    ::close(fd);
    return err;
  }
  ioctl(fd, TIOCEXCL);
  struct stat st {};
  isPty_ = fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
  saved_ = t;
  haveSaved_ = true;
  fd_ = fd;
  ForceLineSwitches(t);
  SetTermios(t);
  LowerModemLines();
  return 0;
}

bool PosixSerialBackend::ModemControl(unsigned long request, int bits) { return ioctl(fd_, request, &bits) == 0; }

int PosixSerialBackend::Poll(pollfd* p, int timeoutMs) { return poll(p, p ? 1 : 0, timeoutMs); }

// The port is used without DTR and RTS: the kernel raises both at open (and on a
// change of speed away from B0), which resets some devices and switches RS-485
// adapters to sending. A pseudo-terminal has no modem lines and refuses the
// request; that is no reason to refuse the port.
void PosixSerialBackend::LowerModemLines() { ModemControl(TIOCMBIC, TIOCM_DTR | TIOCM_RTS); }

bool PosixSerialBackend::Close() {
  if (fd_ < 0) return false;
  if (haveSaved_) tcsetattr(fd_, TCSANOW, &saved_);
  ioctl(fd_, TIOCNXCL);
  bool ok = ::close(fd_) == 0;
  fd_ = -1;
  haveSaved_ = false;
  return ok;
}

bool PosixSerialBackend::SetTermios(const termios& t) {
  if (tcsetattr(fd_, TCSANOW, &t) == 0) return true;
  if (errno != EINVAL) return false;
  termios back{};
  if (tcgetattr(fd_, &back) != 0) return false;
  return AcceptReadBack(t, back, isPty_);
}

bool PosixSerialBackend::ApplyLine(const LineSettings& s) {
  if (fd_ < 0) return false;
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return false;
  if (!ParseModeText(ModeText(s), t)) return false;
  ForceLineSwitches(t);
  if (!SetTermios(t)) return false;
  LowerModemLines();
  baud_ = s.baud;
  return true;
}

bool PosixSerialBackend::Purge() { return fd_ >= 0 && tcflush(fd_, TCIOFLUSH) == 0; }

bool PosixSerialBackend::Write(const uint8_t* data, size_t n, int limitMs) {
  if (fd_ < 0) return false;
  auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  size_t sent = 0;
  while (sent < n) {
    ssize_t w = ::write(fd_, data + sent, n - sent);
    if (w > 0) {
      sent += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd p{fd_, POLLOUT, 0};
    int left = RemainingMs(deadline);
    if (left == 0) return false;
    int r = Poll(&p, left);
    if (r <= 0 && errno != EINTR) return false;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  }
  // Bounded drain: sleep for the wire time of what is still queued.
  for (;;) {
    int outq = 0;
    if (ioctl(fd_, TIOCOUTQ, &outq) != 0 || outq <= 0) return true;
    int left = RemainingMs(deadline);
    if (left == 0) return false;
    long wire = static_cast<long>(outq) * 11000L / (baud_ ? baud_ : 9600) + 1;
    Poll(nullptr, static_cast<int>(wire < left ? wire : left));
  }
}

bool PosixSerialBackend::WaitReadable(int limitMs) {
  if (fd_ < 0) return false;
  if (Queued() > 0) return true;
  pollfd p{fd_, POLLIN, 0};
  auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    int r = Poll(&p, RemainingMs(deadline));
    if (r > 0) return (p.revents & POLLIN) != 0;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

long PosixSerialBackend::Queued() {
  if (fd_ < 0) return -1;
  int n = 0;
  if (ioctl(fd_, FIONREAD, &n) != 0) return -1;
  return n;
}

long PosixSerialBackend::Read(uint8_t* data, size_t n) {
  if (fd_ < 0) return -1;
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd_, data + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN) return -1;
    break;
  }
  return static_cast<long>(got);
}

}  // namespace tolvane
