// One 26-register read against the simulated coupler on a pty at 115200 baud,
// beside the time the wait/settle tables impose on it.
#include <benchmark/benchmark.h>

#include <chrono>

#include "connection/comm_settings.h"
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

}  // namespace

BENCHMARK_MAIN();
