#include "link/traffic_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/comm_settings.h"

namespace tolvane {

namespace {
std::atomic<TrafficClock> g_clock{nullptr};
}  // namespace

void SetTrafficClock(TrafficClock clock) { g_clock.store(clock); }

void TrafficRecorder::Record(TrafficEvent event, const uint8_t* bytes, size_t n, int code, int attempt, int tries) {
  if (!enabled()) return;
  // Stamped outside the lock: the settings belong to the thread that makes the
  // record, and the clocks need no guarding.
  const CommSettings& c = Comm();
  const TrafficLine line{.baud = c.baud,
                         .dataBits = c.dataBits,
                         .parity = c.parity,
                         .stopBits = c.stopBits,
                         .transferMode = c.transferMode};
  const TrafficClock clock = g_clock.load(std::memory_order_relaxed);
  const std::chrono::microseconds given{clock ? clock(event) : 0};
  const auto wall = clock ? given : std::chrono::system_clock::now().time_since_epoch();
  const auto steady = clock ? given : std::chrono::steady_clock::now().time_since_epoch();
  if (!bytes) n = 0;
  n = std::min(n, kMaxRecordBytes);

  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t seq = ++count_;
  TrafficRecord& r = records_[seq % kRecordCapacity];
  r.seq = seq;
  r.wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(wall).count();
  r.steadyUs = std::chrono::duration_cast<std::chrono::microseconds>(steady).count();
  r.event = event;
  r.attempt = static_cast<uint8_t>(attempt);
  r.tries = static_cast<uint8_t>(tries);
  r.code = code;
  r.line = line;
  r.byteStart = bytePos_;
  r.byteCount = static_cast<uint32_t>(n);
  const size_t at = bytePos_ % kByteCapacity;
  const size_t first = std::min(n, kByteCapacity - at);
  if (first) std::memcpy(bytes_ + at, bytes, first);
  if (n > first) std::memcpy(bytes_, bytes + first, n - first);
  bytePos_ += n;
}

uint64_t TrafficRecorder::ReadSince(uint64_t from, size_t maxRecords, std::vector<TrafficEntry>& out,
                                    uint64_t* missed) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t nextSeq = count_ + 1;
  const uint64_t oldest = nextSeq > kRecordCapacity ? nextSeq - kRecordCapacity : 1;
  if (from < oldest) {
    if (missed) *missed += oldest - from;
    from = oldest;
  }
  for (size_t taken = 0; from < nextSeq && taken < maxRecords; ++from, ++taken) {
    const TrafficRecord& r = records_[from % kRecordCapacity];
    // Its bytes have been written over; a record without bytes lacks nothing.
    if (r.byteCount && bytePos_ - r.byteStart > kByteCapacity) {
      if (missed) ++*missed;
      continue;
    }
    TrafficEntry& e = out.emplace_back();
    e.record = r;
    e.bytes.resize(r.byteCount);
    const size_t at = r.byteStart % kByteCapacity;
    const size_t first = std::min<size_t>(r.byteCount, kByteCapacity - at);
    if (first) std::memcpy(e.bytes.data(), bytes_ + at, first);
    if (r.byteCount > first) std::memcpy(e.bytes.data() + first, bytes_, r.byteCount - first);
  }
  return from;
}

uint64_t TrafficRecorder::NextSeq() {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_ + 1;
}

namespace {
TrafficRecorder g_recorder;
}  // namespace

TrafficRecorder& Traffic() { return g_recorder; }

}  // namespace tolvane
