// tolvane-sim: a simulated coupler on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "sim/coupler.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_restart = 0;
void OnStop(int) { g_stop = 1; }
void OnHup(int) { g_restart = 1; }

const char kHelp[] =
    "usage: tolvane-sim [options]\n"
    "Simulated coupler (type 0x1501) on a pseudo-terminal. Prints the slave path, then\n"
    "the line it answers at (\"9600 baud, RTU 8N2, station 1\"), and\n"
    "serves until SIGINT or SIGTERM. SIGHUP restarts it: written station, mode and\n"
    "baud registers then take effect.\n"
    "  --link PATH        also make a symlink PATH to the slave device\n"
    "  --log FILE         append one line per request (hex and decoded, or the\n"
    "                     rate, stop bits and odd parity seen when they do not\n"
    "                     match) and the registers after every write\n"
    "  --station N        station number (register 2), default 1\n"
    "  --baud RATE        baud rate (sets register 4), default 9600\n"
    "  --mode CODE        frame format 0..5 (register 3): 0 RTU 8N2, 1 RTU 8O1,\n"
    "                     2 RTU 8E1, 3 ASCII 7N2, 4 ASCII 7O1, 5 ASCII 7E1\n"
    "  --reg N=V          set holding register N (0..25) to V (decimal or 0x..)\n"
    "  --apply-now        written station/mode/baud take effect at once\n"
    "  --silent           never answer\n"
    "  --skip N           ignore the first N requests that are for us\n"
    "  --drop-write R:N   ignore the first N writes that start at register R\n"
    "  --refuse-write R:N answer the first N writes that start at register R with\n"
    "                     an exception reply (nothing is written)\n"
    "  --reply-station N  answer as station N (replies name N, not the station asked)\n"
    "  --bad-crc          corrupt the checksum of every reply\n"
    "  --exception        answer every request with an exception reply\n"
    "  --delay MS         wait MS before answering\n"
    "  --split            send each reply (and with --echo each echo) in two\n"
    "                     pieces 20 ms apart\n"
    "  --wire-time        take as long to answer as the bytes need on the wire\n"
    "  --noise            answer garbage when the line settings do not match\n"
    "  --exit-after N     exit (closing the pty) on receiving request N+1\n"
    "  --twice MS         send every reply a second time MS later\n"
    "  --trail N[:MS]     send N bytes of garbage MS (default 10) ms after every reply\n"
    "  --any-line         answer whatever line settings the tool applied\n"
    "  --echo             send every received byte straight back, as a 2-wire line\n"
    "                     without echo suppression does\n"
    "  --check-silence    refuse (ignore, and log) a request that begins less than\n"
    "                     3.5 characters (at least 1.75 ms) after the last byte we sent\n"
    "A pseudo-terminal keeps only the baud rate, the stop bits and odd-versus-not-odd\n"
    "parity of what the tool sets; data bits and even-versus-no parity cannot be seen,\n"
    "so they are not checked. With the framing that is enough to tell all six formats\n"
    "apart at every rate.\n";

// Writes that start at one register and are met with a fault a given number of times.
struct WriteFault {
  int reg = -1;
  int count = 0;
  bool Hits(const sim::Bytes& pdu) {
    if (count <= 0 || (pdu[2] << 8 | pdu[3]) != reg) return false;
    --count;
    return true;
  }
};

struct Options {
  std::string link, log;
  bool applyNow = false, silent = false, badCrc = false, exception = false, split = false;
  bool wireTime = false, noise = false, anyLine = false, echo = false, checkSilence = false;
  int skip = 0, delayMs = 0, exitAfter = -1, twiceMs = -1, replyStation = -1;
  int trailBytes = 0, trailMs = 10;
  WriteFault drop, refuse;
};

FILE* g_log = nullptr;
void Log(const std::string& line) {
  if (!g_log) return;
  std::fprintf(g_log, "%s\n", line.c_str());
  std::fflush(g_log);
}

speed_t Speed(uint32_t baud) {
  switch (baud) {
    case 1200:
      return B1200;
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
    default:
      return B115200;
  }
}

// What the pty shows of the tool's line settings: "9600 2 odd" or "9600 1 -".
std::string LineSeen(int master) {
  termios t{};
  if (tcgetattr(master, &t) != 0) return "?";
  const speed_t speeds[] = {B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};
  const uint32_t rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
  std::string baud = "?";
  for (int i = 0; i < 8; ++i)
    if (cfgetospeed(&t) == speeds[i]) baud = std::to_string(rates[i]);
  return baud + ((t.c_cflag & CSTOPB) ? " 2" : " 1") + ((t.c_cflag & PARODD) ? " odd" : " -");
}

bool LineMatches(int master, const sim::Coupler& c) {
  termios t{};
  if (tcgetattr(master, &t) != 0) return false;
  sim::LineFormat want = sim::ExpectedLine(c.baud, c.format);
  return cfgetospeed(&t) == Speed(want.baud) && ((t.c_cflag & CSTOPB) != 0) == want.twoStopBits &&
         ((t.c_cflag & PARODD) != 0) == want.oddParity;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void WriteAll(int fd, const sim::Bytes& b) {
  size_t off = 0;
  while (off < b.size()) {
    ssize_t w = write(fd, b.data() + off, b.size() - off);
    if (w > 0)
      off += static_cast<size_t>(w);
    else if (w < 0 && errno != EAGAIN && errno != EINTR)
      return;
    else
      Sleep(1);
  }
}

void DumpRegisters(const sim::Coupler& c) {
  std::string s = "REGS";
  for (uint16_t r : c.regs) {
    s += ' ';
    s += std::to_string(r);
  }
  Log(s);
}

// Fills the options and the coupler's registers from the command line; an exit
// status when the program should end at once (help or a wrong option).
std::optional<int> ParseOptions(int argc, char** argv, Options& o, sim::Coupler& coupler) {
  auto num = [](const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 0)); };
  auto fault = [&](const std::string& v) {
    size_t colon = v.find(':');
    return WriteFault{num(v.substr(0, colon)), colon == std::string::npos ? 1 : num(v.substr(colon + 1))};
  };
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "tolvane-sim: %s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--link")
      o.link = next();
    else if (a == "--log")
      o.log = next();
    else if (a == "--station")
      coupler.regs[2] = static_cast<uint16_t>(num(next()));
    else if (a == "--baud") {
      int baud = num(next()), code = -1;
      for (int k = 0; k < 8; ++k)
        if (static_cast<int>(sim::kBaudByCode[k]) == baud) code = k;
      if (code < 0) {
        std::fprintf(stderr, "tolvane-sim: unsupported baud rate %d\n", baud);
        return 2;
      }
      coupler.regs[4] = static_cast<uint16_t>(code);
    } else if (a == "--mode")
      coupler.regs[3] = static_cast<uint16_t>(num(next()));
    else if (a == "--reg") {
      std::string v = next();
      size_t eq = v.find('=');
      int r = num(v.substr(0, eq));
      if (eq == std::string::npos || r < 0 || r > 25) {
        std::fprintf(stderr, "tolvane-sim: --reg wants N=V with N in 0..25\n");
        return 2;
      }
      coupler.regs[r] = static_cast<uint16_t>(num(v.substr(eq + 1)));
    } else if (a == "--apply-now")
      o.applyNow = true;
    else if (a == "--silent")
      o.silent = true;
    else if (a == "--skip")
      o.skip = num(next());
    else if (a == "--drop-write")
      o.drop = fault(next());
    else if (a == "--refuse-write")
      o.refuse = fault(next());
    else if (a == "--reply-station")
      o.replyStation = num(next()) & 0xFF;
    else if (a == "--bad-crc")
      o.badCrc = true;
    else if (a == "--exception")
      o.exception = true;
    else if (a == "--delay")
      o.delayMs = num(next());
    else if (a == "--split")
      o.split = true;
    else if (a == "--wire-time")
      o.wireTime = true;
    else if (a == "--noise")
      o.noise = true;
    else if (a == "--exit-after")
      o.exitAfter = num(next());
    else if (a == "--twice")
      o.twiceMs = num(next());
    else if (a == "--trail") {
      const std::string v = next();
      const size_t colon = v.find(':');
      o.trailBytes = num(v.substr(0, colon));
      if (colon != std::string::npos) o.trailMs = num(v.substr(colon + 1));
      if (o.trailBytes < 0 || o.trailMs < 0) {
        std::fprintf(stderr, "tolvane-sim: --trail wants N or N:MS\n");
        return 2;
      }
    } else if (a == "--any-line")
      o.anyLine = true;
    else if (a == "--echo")
      o.echo = true;
    else if (a == "--check-silence")
      o.checkSilence = true;
    else {
      std::fprintf(stderr, "tolvane-sim: unknown option %s (see --help)\n", a.c_str());
      return 2;
    }
  }
  return std::nullopt;
}

struct PtyPair {
  int master = -1;
  int keep = -1;  // our own slave descriptor
  std::string slave;
};

// A raw pseudo-terminal at the coupler's rate, with the slave kept open by us so
// that the master never sees a hang-up whenever the tool closes the port.
std::optional<PtyPair> OpenPty(uint32_t baud) {
  PtyPair p;
  p.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (p.master < 0 || grantpt(p.master) != 0 || unlockpt(p.master) != 0) {
    std::perror("tolvane-sim: pseudo-terminal");
    return std::nullopt;
  }
  p.slave = ptsname(p.master);
  p.keep = open(p.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios t{};
  tcgetattr(p.keep, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, Speed(baud));
  cfsetospeed(&t, Speed(baud));
  tcsetattr(p.keep, TCSANOW, &t);
  fcntl(p.master, F_SETFL, fcntl(p.master, F_GETFL) | O_NONBLOCK);
  return p;
}

using Clock = std::chrono::steady_clock;

class Server {
 public:
  Server(Options& o, sim::Coupler& c, int master) : o_(o), coupler_(c), master_(master) {}
  // Answers one received frame as the coupler would, with the fault options
  // applied; began: when its first byte arrived.
  void Serve(const sim::Bytes& frame, Clock::time_point began);

 private:
  bool Ignored(const sim::Bytes& pdu, bool wrote);
  bool TooSoon(Clock::time_point began, std::string& why) const;
  void Send(const sim::Bytes& out);
  Options& o_;
  sim::Coupler& coupler_;
  int master_;
  std::mt19937 rng_{12345};
  Clock::time_point lastSent_{};  // when our last byte went out; never before the first reply
  bool sentAny_ = false;
};

// A frame on a Modbus serial line ends with 3.5 characters of silence (11 bits
// each in RTU, 10 in ASCII, 1.75 ms at the least); a request that begins sooner
// is, for a module, the tail of the frame before.
bool Server::TooSoon(Clock::time_point began, std::string& why) const {
  if (!o_.checkSilence || !sentAny_) return false;
  const double bits = coupler_.Rtu() ? 11.0 : 10.0;
  const double gapMs = std::max(3.5 * bits * 1000.0 / coupler_.baud, 1.75);
  const double ms = std::chrono::duration<double, std::milli>(began - lastSent_).count();
  if (ms >= gapMs) return false;
  char text[96];
  std::snprintf(text, sizeof text, "request began %.2f ms after our reply ended", ms);
  why = text;
  return true;
}

bool Server::Ignored(const sim::Bytes& pdu, bool wrote) {
  if (o_.silent) return true;
  if (o_.skip > 0) {
    --o_.skip;
    return true;
  }
  return wrote && o_.drop.Hits(pdu);
}

void Server::Send(const sim::Bytes& out) {
  if (o_.split && out.size() > 1) {
    const auto half = out.begin() + static_cast<long>(out.size() / 2);
    WriteAll(master_, sim::Bytes(out.begin(), half));
    Sleep(20);
    WriteAll(master_, sim::Bytes(half, out.end()));
  } else {
    WriteAll(master_, out);
  }
}

void Server::Serve(const sim::Bytes& frame, Clock::time_point began) {
  std::string line = "RX " + sim::Hex(frame);
  std::string why;
  if (TooSoon(began, why)) {
    Log(line + " | " + why + " | ignored");
    return;
  }
  if (!o_.anyLine && !LineMatches(master_, coupler_)) {
    Log(line + " | line mismatch: " + LineSeen(master_));
    if (o_.noise) {
      sim::Bytes junk(6 + rng_() % 20);
      for (auto& b : junk) b = static_cast<uint8_t>(rng_());
      WriteAll(master_, junk);
    }
    return;
  }
  auto pdu = coupler_.Rtu() ? sim::DecodeRtu(frame) : sim::DecodeAscii(frame);
  if (!pdu) {
    Log(line + " | not a frame");
    return;
  }
  std::string what;
  bool wrote = false;
  const sim::Coupler before = coupler_;
  auto reply = coupler_.Handle(*pdu, what, wrote);
  if (!reply) {
    Log(line + " | " + what);
    return;
  }
  if (Ignored(*pdu, wrote)) {
    coupler_ = before;  // an unanswered write did not happen
    Log(line + " | " + what + " | ignored");
    return;
  }
  if (o_.exception || (wrote && o_.refuse.Hits(*pdu))) {
    coupler_ = before;
    reply = sim::Bytes{(*pdu)[0], static_cast<uint8_t>((*pdu)[1] | 0x80), 0x04};
    what += " | refused";
    wrote = false;
  }
  Log(line + " | " + what);
  if (wrote) {
    DumpRegisters(coupler_);
    if (o_.applyNow) coupler_.Restart();
  }
  if (o_.replyStation >= 0) (*reply)[0] = static_cast<uint8_t>(o_.replyStation);
  // The reply goes out in the framing the request came in.
  sim::Bytes out = before.Rtu() ? sim::EncodeRtu(*reply) : sim::EncodeAscii(*reply);
  if (o_.badCrc) out[out.size() - (before.Rtu() ? 1 : 3)] ^= 0x01;
  Log("TX " + sim::Hex(out));
  if (o_.delayMs > 0) Sleep(o_.delayMs);
  if (o_.wireTime) Sleep(static_cast<int>(out.size() * 11000 / before.baud));
  // The silence is timed from the write itself, before the log: a log write held
  // up on a busy machine would otherwise make a master that kept the gap look early.
  Send(out);
  lastSent_ = Clock::now();
  sentAny_ = true;
  if (o_.twiceMs >= 0) {
    Sleep(o_.twiceMs);
    WriteAll(master_, out);
    lastSent_ = Clock::now();
    Log("TX again");
  }
  if (o_.trailBytes > 0) {
    Sleep(o_.trailMs);
    sim::Bytes junk(static_cast<size_t>(o_.trailBytes));
    for (auto& b : junk) b = static_cast<uint8_t>(rng_());
    WriteAll(master_, junk);
    lastSent_ = Clock::now();
    Log("TX trail " + sim::Hex(junk));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  sim::Coupler coupler;
  if (auto status = ParseOptions(argc, argv, o, coupler)) return *status;
  coupler.Restart();
  auto pty = OpenPty(coupler.baud);
  if (!pty) return 1;

  if (!o.log.empty()) g_log = std::fopen(o.log.c_str(), "a");
  if (!o.link.empty()) {
    unlink(o.link.c_str());
    if (symlink(pty->slave.c_str(), o.link.c_str()) != 0) {
      std::perror("tolvane-sim: symlink");
      return 1;
    }
  }
  signal(SIGINT, OnStop);
  signal(SIGTERM, OnStop);
  signal(SIGHUP, OnHup);
  signal(SIGPIPE, SIG_IGN);
  // The second line says what the module answers at, for scripts that start it.
  static const char* const kFormats[6] = {"RTU 8N2", "RTU 8O1", "RTU 8E1", "ASCII 7N2", "ASCII 7O1", "ASCII 7E1"};
  std::printf("%s\n%u baud, %s, station %u\n", pty->slave.c_str(), coupler.baud, kFormats[coupler.format],
              static_cast<unsigned>(coupler.station));
  std::fflush(stdout);
  DumpRegisters(coupler);

  Server server(o, coupler, pty->master);
  sim::Bytes buf;
  Clock::time_point began{};
  int requests = 0;
  while (!g_stop) {
    if (g_restart) {
      g_restart = 0;
      coupler.Restart();
      Log("RESTART");
    }
    pollfd p{pty->master, POLLIN, 0};
    // A silence of 5 ms ends an RTU frame; ASCII frames end at their LF.
    int r = poll(&p, 1, buf.empty() ? 100 : 5);
    if (r > 0 && (p.revents & POLLIN)) {
      uint8_t chunk[512];
      ssize_t n = read(pty->master, chunk, sizeof chunk);
      if (n > 0) {
        if (buf.empty()) began = Clock::now();
        buf.insert(buf.end(), chunk, chunk + n);
        if (o.echo && o.split && n > 1) {
          WriteAll(pty->master, sim::Bytes(chunk, chunk + n / 2));
          Sleep(20);
          WriteAll(pty->master, sim::Bytes(chunk + n / 2, chunk + n));
        } else if (o.echo) {
          WriteAll(pty->master, sim::Bytes(chunk, chunk + n));
        }
      }
      bool frameDone = !coupler.Rtu() && !buf.empty() && buf.back() == '\n';
      if (!frameDone) continue;
    } else if (r > 0) {
      Sleep(20);  // hang-up without data: nobody has the port open
      continue;
    }
    if (buf.empty()) continue;
    sim::Bytes frame;
    frame.swap(buf);
    if (o.exitAfter >= 0 && ++requests > o.exitAfter) {
      Log("EXIT");
      break;
    }
    server.Serve(frame, began);
  }
  if (!o.link.empty()) unlink(o.link.c_str());
  close(pty->keep);
  close(pty->master);
  return 0;
}
