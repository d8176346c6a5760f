// One 26-register read against the simulated coupler on a pty at 115200 baud,
// beside the time the wait/settle tables impose on it, with the traffic
// recorder off and on; the same read on a scripted line without the settle
// sleep, where only the code's own cost remains; and how long the first-byte
// wait lasts on a silent line.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>

#include "core/comm_settings.h"
#include "link/posix_backend.h"
#include "link/serial_link.h"
#include "link/traffic_recorder.h"
#include "modbus/modbus_master.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace {

using namespace tolvane;

void BM_ReadBlock(benchmark::State& state, uint8_t mode, bool recording) {
  Traffic().SetEnabled(recording);
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
  Traffic().SetEnabled(true);
  state.counters["mandated_settle_ms"] = settle;
  // The try ends only once the line has been quiet that long after the reply.
  state.counters["frame_silence_ms"] =
      std::chrono::duration<double, std::milli>(FrameSilence(115200, mode < 3)).count();
  state.counters["overhead_ms"] = n ? totalMs / static_cast<double>(n) - settle : 0;
}

BENCHMARK_CAPTURE(BM_ReadBlock, rtu, 0, false)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadBlock, rtu_recording, 0, true)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadBlock, ascii, 3, false)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK_CAPTURE(BM_ReadBlock, ascii_recording, 3, true)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

// The same read on a scripted line that answers at once, with the settle sleep
// taken out: what is left is the transaction's own work, so the difference
// between recording off and on is what recording costs a transaction.
void BM_ReadBlockScripted(benchmark::State& state, uint8_t mode, bool recording) {
  test::FakeLinkScope line;
  test::UsePort("scripted", 115200, mode);
  SetSleepHook([](int) {});
  Traffic().SetEnabled(recording);
  Link().OpenPortBare();
  // The module's reply to a 26-register read of station 1, in the framing asked for.
  std::vector<uint8_t> binary = {1, kReadHoldingRegisters, 52};
  for (int i = 0; i < 52; ++i) binary.push_back(static_cast<uint8_t>(i));
  std::vector<uint8_t> reply;
  if (mode < 3) {
    reply = binary;
    const uint16_t crc = Crc16(binary.data(), binary.size());
    reply.push_back(static_cast<uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<uint8_t>(crc >> 8));
  } else {
    const char hex[] = "0123456789ABCDEF";
    binary.push_back(Lrc(binary.data(), binary.size()));
    reply.push_back(':');
    for (uint8_t b : binary) {
      reply.push_back(static_cast<uint8_t>(hex[b >> 4]));
      reply.push_back(static_cast<uint8_t>(hex[b & 0x0F]));
    }
    reply.push_back('\r');
    reply.push_back('\n');
  }
  for (auto _ : state) {
    line.fake().replies.assign(1, reply);
    line.fake().written.clear();
    if (ReadRegisters(26) != kLinkOk) state.SkipWithError("read failed");
  }
  Link().ClosePort();
  SetSleepHook(nullptr);
  Traffic().SetEnabled(true);
}

BENCHMARK_CAPTURE(BM_ReadBlockScripted, rtu, 0, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBlockScripted, rtu_recording, 0, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBlockScripted, ascii, 3, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ReadBlockScripted, ascii_recording, 3, true)->Unit(benchmark::kMicrosecond);

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
