// What a script pays for one `tolvanectl read` (the probe, then the 26-register
// block) as a whole process against the simulated coupler, at 9600 and 115200
// baud, with the try ending when the reply is complete and with the window's full
// settle (--settle); the same two transactions in-process with either reply end;
// and mbpoll's single read of the same 26 registers, when it is installed.
//
// The simulator takes as long to answer as its reply needs on the wire. Each
// result carries the two transactions' own wire time (request and reply bytes at
// 11 bits a character, RTU 8N2) and its ratio to it; at 115200 also the ratio to
// mbpoll's read measured in the same run, and what is left over the wire time
// and the silences the line needs around each frame (3.5 characters, at least
// 1.75 ms: before the first request after the port opens, and after each reply). The in-process full-settle case shows
// that the window's pattern still sleeps S: shortest_ms never falls below settle_ms.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "link/serial_link.h"
#include "link/traffic_recorder.h"
#include "modbus/modbus_master.h"
#include "support/sim_process.h"

extern char** environ;

namespace {

using namespace tolvane;
using Clock = std::chrono::steady_clock;

constexpr int kBitsPerChar = 11;  // start, 8 data, 2 stop
// Probe: request 8, reply 9 bytes; block read: request 8, reply 5 + 2 x 26.
constexpr int kTwoTransactionBytes = 8 + 9 + 8 + 57;
constexpr int kOneReadBytes = 8 + 57;

double WireMs(int bytes, int baud) { return 1000.0 * bytes * kBitsPerChar / baud; }

// mbpoll's mean per baud rate, from its benchmark earlier in the same run.
std::map<int, double>& MbpollMs() {
  static std::map<int, double> means;
  return means;
}

std::string OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

// Runs a program to its end with its output thrown away, in a profile folder of
// its own; the exit status, or -1 when it could not start.
int RunQuiet(const std::vector<std::string>& argv, const std::string& configHome) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env = {"XDG_CONFIG_HOME=" + configHome, "PATH=/usr/bin:/bin"};
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int started = posix_spawn(&pid, args[0], &files, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (started != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Timing {
  double sumMs = 0, shortestMs = 1e9;
  int64_t n = 0;
  void Add(double ms) {
    sumMs += ms;
    shortestMs = std::min(shortestMs, ms);
    ++n;
  }
  double Mean() const { return n ? sumMs / static_cast<double>(n) : 0; }
};

// silences: how many frame gaps the command waits for (mbpoll's own are not counted).
void Report(benchmark::State& state, const Timing& t, int baud, int wireBytes, int silences = 0) {
  const double wire = WireMs(wireBytes, baud);
  const double gaps = silences * std::chrono::duration<double, std::milli>(FrameSilence(baud, true)).count();
  state.counters["silences_ms"] = gaps;
  state.counters["over_wire_and_silences_ms"] = t.Mean() - wire - gaps;
  state.counters["wire_ms"] = wire;
  state.counters["mean_ms"] = t.Mean();
  state.counters["shortest_ms"] = t.shortestMs;
  state.counters["x_wire"] = wire > 0 ? t.Mean() / wire : 0;
  state.counters["over_wire_ms"] = t.Mean() - wire;
}

std::string TempDir() {
  char tmpl[] = "/tmp/tolvane-bench-XXXXXX";
  return mkdtemp(tmpl) ? tmpl : "/tmp";
}

test::SimProcess StartSim(int baud) { return test::SimProcess({"--baud", std::to_string(baud), "--wire-time"}); }

void BM_Mbpoll(benchmark::State& state) {
  const int baud = static_cast<int>(state.range(0));
  const std::string mbpoll = OnPath("mbpoll");
  if (mbpoll.empty()) {
    state.SkipWithError("mbpoll is not on PATH");
    return;
  }
  test::SimProcess sim = StartSim(baud);
  const std::string home = TempDir();
  Timing t;
  for (auto _ : state) {
    const auto start = Clock::now();
    const int status = RunQuiet({mbpoll, "-m", "rtu", "-a",   "1",  "-b", std::to_string(baud),
                                 "-d",   "8",  "-P",  "none", "-s", "2",  "-r",
                                 "1",    "-c", "26",  "-t",   "4",  "-1", sim.port()},
                                home);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    state.SetIterationTime(ms / 1000);
    t.Add(ms);
    if (status != 0) state.SkipWithError("mbpoll failed");
  }
  Report(state, t, baud, kOneReadBytes);
  MbpollMs()[baud] = t.Mean();
}

void BM_CtlRead(benchmark::State& state, bool fullSettle) {
  const int baud = static_cast<int>(state.range(0));
  test::SimProcess sim = StartSim(baud);
  const std::string home = TempDir();
  std::vector<std::string> argv = {
      TOLVANE_CTL, "--port", sim.port(), "--station", "1",        "--baud", std::to_string(baud),
      "--framing", "rtu",    "--data",   "8",         "--parity", "none",   "--stop",
      "2",         "--quiet"};
  if (fullSettle) argv.push_back("--settle");
  argv.push_back("read");
  Timing t;
  for (auto _ : state) {
    const auto start = Clock::now();
    const int status = RunQuiet(argv, home);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    state.SetIterationTime(ms / 1000);
    t.Add(ms);
    if (status == 2 && fullSettle) {
      state.SkipWithError("tolvanectl has no --settle option");
      break;
    }
    if (status != 0) state.SkipWithError("tolvanectl read failed");
  }
  // Before the probe (the port has just opened), after its reply, after the block's.
  Report(state, t, baud, kTwoTransactionBytes, 3);
  if (MbpollMs().count(baud)) state.counters["x_mbpoll"] = t.Mean() / MbpollMs()[baud];
}

// The probe and the block read in this process, as tolvanectl runs them, without
// its start-up: what the reply end alone changes.
void BM_InProcess(benchmark::State& state, ReplyEnd end) {
  const int baud = static_cast<int>(state.range(0));
  Traffic().SetEnabled(false);
  test::SimProcess sim = StartSim(baud);
  test::UsePort(sim.port(), static_cast<uint32_t>(baud), 0);
  if (!Link().OpenPortBare() || !Link().ApplyLineSettings()) {
    state.SkipWithError("cannot open the simulator's port");
    return;
  }
  SetReplyEnd(end);
  Timing t;
  for (auto _ : state) {
    const auto start = Clock::now();
    const bool ok = ProbeModule() == kLinkOk && ReadRegisters(26) == kLinkOk;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    state.SetIterationTime(ms / 1000);
    t.Add(ms);
    if (!ok) state.SkipWithError("probe or read failed");
  }
  SetReplyEnd(ReplyEnd::kAfterSettle);
  Link().ClosePort();
  Traffic().SetEnabled(true);
  // After each reply; the port stays open, so the next probe finds the line quiet.
  Report(state, t, baud, kTwoTransactionBytes, 2);
  state.counters["settle_ms"] = TimingFor(Request::Probe, static_cast<uint32_t>(baud)).rtuSettle +
                                TimingFor(Request::Read, static_cast<uint32_t>(baud)).rtuSettle;
  if (MbpollMs().count(baud)) state.counters["x_mbpoll"] = t.Mean() / MbpollMs()[baud];
}

void Rates(benchmark::internal::Benchmark* b) {
  b->Arg(115200)->Arg(9600)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Mbpoll)->Apply(Rates);
BENCHMARK_CAPTURE(BM_CtlRead, when_complete, false)->Apply(Rates);
BENCHMARK_CAPTURE(BM_CtlRead, full_settle, true)->Apply(Rates);
BENCHMARK_CAPTURE(BM_InProcess, when_complete, ReplyEnd::kWhenComplete)->Apply(Rates);
BENCHMARK_CAPTURE(BM_InProcess, window_full_settle, ReplyEnd::kAfterSettle)->Apply(Rates);

}  // namespace

BENCHMARK_MAIN();
