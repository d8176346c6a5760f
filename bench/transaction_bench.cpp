// One 26-register read against the simulated coupler on a pty at 115200 baud,
// beside the time the wait/settle tables impose on it; and how long the
// first-byte wait lasts on a silent line.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

#include "core/comm_settings.h"
#include "link/posix_backend.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "support/sim_process.h"

namespace {

using namespace tolvane;

void BM_ReadBlock(benchmark::State& state, uint8_t mode) {
  test::SimProcess sim({"--baud", "115200", "--mode", std::to_string(mode)});
  test::UsePort(sim.port(), 115200, mode);
  if (!Link().OpenPort()) {
    state.SkipWithError("cannot open the simulator's port");
    return;
  }
  const RequestTiming t = TimingFor(Request::Read, 115200);
  const int settle = mode < 3 ? t.rtuSettle : t.asciiSettle;
  double totalMs = 0;
  int64_t n = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    int r = ReadRegisters(26);
    totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ++n;
    if (r != 0) state.SkipWithError("read failed");
  }
  Link().ClosePort();
  state.counters["mandated_settle_ms"] = settle;
  state.counters["overhead_ms"] = n ? totalMs / static_cast<double>(n) - settle : 0;
}

BENCHMARK_CAPTURE(BM_ReadBlock, rtu, 0)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadBlock, ascii, 3)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// A wait of W ms on a line that stays silent: shortest_ms must not fall below W.
void BM_FirstByteWait(benchmark::State& state) {
  const int limit = static_cast<int>(state.range(0));
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  PosixSerialBackend backend;
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || backend.Open(ptsname(master)) != 0) {
    state.SkipWithError("no pseudo-terminal");
    if (master >= 0) close(master);
    return;
  }
  double shortest = 1e9;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (backend.WaitReadable(limit)) state.SkipWithError("a byte arrived on a silent line");
    shortest =
        std::min(shortest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  backend.Close();
  close(master);
  state.counters["limit_ms"] = limit;
  state.counters["shortest_ms"] = shortest;
}

BENCHMARK(BM_FirstByteWait)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
