// Finding a module whose station and line settings are unknown: one try of the
// identification probe per (line settings, station) pair, on the same
// transaction and probe as Link and Auto Link.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "models/com_set_model.h"

namespace tolvane {

inline constexpr int kFirstStation = 1;
inline constexpr int kLastStation = 247;

// One set of line settings: a rate and a frame format.
struct LineChoice {
  uint32_t baud = 9600;
  ScanFormat format{1, 8, 0, 2};
  bool operator==(const LineChoice& o) const {
    return baud == o.baud && format.transferMode == o.format.transferMode && format.dataBits == o.format.dataBits &&
           format.parity == o.format.parity && format.stopBits == o.format.stopBits;
  }
};
LineChoice LineOf(const CommSettings& c);
void UseLine(CommSettings& c, const LineChoice& line);
// "RTU 8N2", "ASCII 7E1".
std::string FrameFormatText(const ScanFormat& f);

// Auto Link's 48 line settings in its order.
const std::vector<LineChoice>& AutoLinkLines();

// The line settings a command line restricts: every value given must match,
// the others take all of Auto Link's values. All five given: that one set, even
// when Auto Link would not try it.
struct LineFilter {
  std::optional<uint32_t> baud;
  std::optional<uint8_t> transferMode, dataBits, parity, stopBits;
};
std::vector<LineChoice> LinesMatching(const LineFilter& filter);

struct SearchInput {
  int from = kFirstStation, to = kLastStation;
  int given = kFirstStation;  // tried first at every line setting; From when outside the range
  std::vector<LineChoice> lines;
  bool findAll = false;
};
// The station tried first: the connection's when it lies in the range, else From.
int GivenStation(int connectionStation, int from, int to);

struct SearchPair {
  LineChoice line;
  uint8_t station;
};
// The given station at every line setting in order, then for each line setting
// every other station of the range, ascending.
std::vector<SearchPair> SearchOrder(const SearchInput& in);

// What one silent try of a pair costs: the probe's wait limit, the request's
// time on the wire and the silence that separates requests, in milliseconds.
double PairCostMs(const LineChoice& line);
// What identifying a module that answered may take: the three tries of the probe.
double IdentifyCostMs(const LineChoice& line);
// The sum of the pairs' costs (the duration of a search that finds nothing).
double ExpectedMs(const std::vector<SearchPair>& pairs, size_t fromIndex = 0);
// The bound: 1.1 times the expected time of the pairs tried, plus 1 s, plus the
// identification of each module found at its line settings.
double BoundMs(const std::vector<SearchPair>& tried, const std::vector<LineChoice>& identified);

struct FoundModule {
  uint8_t station = 0;
  LineChoice line;
  bool identified = false;  // the three-try probe accepted it
  uint16_t typeCode = 0;    // when identified
  bool IsCoupler() const;
  // The model's name, or "answers, not a KX-130".
  std::string ModelText() const;
};

struct SearchProgress {
  size_t done = 0, total = 0;
  double elapsedMs = 0;
  double leftMs = 0;  // by the bound of the pairs not yet tried
};

enum class SearchEnd { kFound, kNothingFound, kStopped, kPortFailed };

// Runs a search on the calling thread over an open port; CommSettings hold the
// pair under way and are left at the last pair tried (the caller restores them).
class ModuleSearch {
 public:
  explicit ModuleSearch(SearchInput in);
  std::function<bool()> stopRequested;
  std::function<void(const SearchProgress&)> onProgress;
  std::function<void(const FoundModule&)> onFound;
  SearchEnd Run();

  const std::vector<SearchPair>& pairs() const { return pairs_; }
  size_t tried() const { return tried_; }
  const std::vector<FoundModule>& found() const { return found_; }

 private:
  SearchInput in_;
  std::vector<SearchPair> pairs_;
  size_t tried_ = 0;
  std::vector<FoundModule> found_;
};

}  // namespace tolvane
