// What went over the line: every frame sent and received, each try's failure,
// each transaction's outcome, purges and the port's opening and closing.
//
// The transaction path only appends: a record goes into a fixed ring of records
// and its bytes into a fixed ring of bytes, under a mutex held for one copy. The
// traffic monitor reads on the window's thread. When the rings wrap, the oldest
// records are gone; a reader learns how many it missed.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tolvane {

enum class TrafficEvent : uint8_t {
  kTx,          // a frame written (bytes as sent)
  kRx,          // a reply taken from the driver (bytes as received, before any decoding)
  kTryFailed,   // one try of a transaction failed: code
  kOutcome,     // a transaction ended: code, tries used
  kPurge,       // both queues purged: code = unread bytes thrown away
  kOpen,        // the port opened: bytes = device path
  kOpenFailed,  // the port did not open: bytes = device path, code = errno
  kClose,       // the port closed
  kEcho,        // the line's echo of the frame just sent, taken off before the reply
  kStray,       // bytes that belong to no reply (after one, or before a request), thrown away
};

// The communication settings when the record was made.
struct TrafficLine {
  uint32_t baud = 0;
  uint8_t dataBits = 0;
  uint8_t parity = 0;  // parity code
  uint8_t stopBits = 0;
  uint8_t transferMode = 0;  // 0 ASCII, 1 RTU
};

struct TrafficRecord {
  uint64_t seq = 0;      // 1 for the first record since start
  int64_t wallMs = 0;    // wall clock, ms since the epoch
  int64_t steadyUs = 0;  // monotonic clock, for the gaps between records
  TrafficEvent event = TrafficEvent::kTx;
  uint8_t attempt = 0;  // 1-based try of its transaction; 0 outside one
  uint8_t tries = 0;    // the transaction's number of tries (kOutcome: tries used)
  int32_t code = 0;     // LinkResult, or errno for kOpenFailed
  TrafficLine line;
  uint64_t byteStart = 0;  // position in the byte stream
  uint32_t byteCount = 0;
};

struct TrafficEntry {
  TrafficRecord record;
  std::string bytes;
};

class TrafficRecorder {
 public:
  static constexpr size_t kRecordCapacity = 1 << 14;
  static constexpr size_t kByteCapacity = 1 << 21;
  static constexpr size_t kMaxRecordBytes = 1 << 13;  // longer byte runs are cut

  // Constant where the standard mutex is (glibc): the process's recorder is then
  // zero bytes in static storage from the start, so the first record pays for no
  // initialisation. mingw-w64's mutex is not, and the recorder is built before main.
  TrafficRecorder() = default;
  TrafficRecorder(const TrafficRecorder&) = delete;
  TrafficRecorder& operator=(const TrafficRecorder&) = delete;

  // Appends one record stamped with the current CommSettings and the clocks.
  void Record(TrafficEvent event, const uint8_t* bytes = nullptr, size_t n = 0, int code = 0, int attempt = 0,
              int tries = 0);

  // Copies the records from seq `from` on into out (appended), at most maxRecords
  // of them, and returns the seq to read from next. Records that are no longer
  // held (overwritten, or their bytes overwritten) are skipped and counted in *missed.
  uint64_t ReadSince(uint64_t from, size_t maxRecords, std::vector<TrafficEntry>& out, uint64_t* missed);
  uint64_t NextSeq();

  // Off only for measuring what recording costs.
  void SetEnabled(bool on) { off_.store(!on, std::memory_order_relaxed); }
  bool enabled() const { return !off_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> off_{false};  // zero when on, like every other member at the start
  std::mutex mutex_;
  uint64_t count_ = 0;  // records made; the next one's seq is count_ + 1
  uint64_t bytePos_ = 0;
  TrafficRecord records_[kRecordCapacity]{};
  uint8_t bytes_[kByteCapacity]{};
};

// The one recorder of the process.
TrafficRecorder& Traffic();

// Where the records' times come from. nullptr (the default) takes the system's
// clocks; a program whose output must not depend on when it ran (the pictures
// of the user guides) names a clock that returns, for each record, microseconds
// since the epoch, which then stand for both the wall and the monotonic time.
using TrafficClock = int64_t (*)(TrafficEvent event);
void SetTrafficClock(TrafficClock clock);

}  // namespace tolvane
