#include "models/module_search.h"

#include <algorithm>
#include <chrono>

#include "core/language.h"
#include "device/identification.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"

namespace tolvane {

LineChoice LineOf(const CommSettings& c) {
  return {c.baud, ScanFormat{c.transferMode, c.dataBits, c.parity, c.stopBits}};
}

void UseLine(CommSettings& c, const LineChoice& line) {
  c.baud = line.baud;
  c.transferMode = line.format.transferMode;
  c.dataBits = line.format.dataBits;
  c.parity = line.format.parity;
  c.stopBits = line.format.stopBits;
}

std::string FrameFormatText(const ScanFormat& f) {
  const char letter = ParityLetter(f.parity);
  std::string text = f.transferMode == 0 ? "ASCII " : "RTU ";
  text += std::to_string(f.dataBits);
  text += letter ? letter : '?';
  return text + std::to_string(f.stopBits);
}

const std::vector<LineChoice>& AutoLinkLines() {
  static const std::vector<LineChoice> lines = [] {
    std::vector<LineChoice> all;
    for (int rateIndex : ScanRateOrder())
      for (const ScanFormat& f : ScanFormats())
        all.push_back({static_cast<uint32_t>(std::stoul(BaudRateList()[rateIndex])), f});
    return all;
  }();
  return lines;
}

std::vector<LineChoice> LinesMatching(const LineFilter& w) {
  if (w.baud && w.transferMode && w.dataBits && w.parity && w.stopBits)
    return {{*w.baud, ScanFormat{*w.transferMode, *w.dataBits, *w.parity, *w.stopBits}}};
  std::vector<LineChoice> out;
  for (const LineChoice& l : AutoLinkLines()) {
    const ScanFormat& f = l.format;
    if ((!w.baud || *w.baud == l.baud) && (!w.transferMode || *w.transferMode == f.transferMode) &&
        (!w.dataBits || *w.dataBits == f.dataBits) && (!w.parity || *w.parity == f.parity) &&
        (!w.stopBits || *w.stopBits == f.stopBits))
      out.push_back(l);
  }
  return out;
}

int GivenStation(int connectionStation, int from, int to) {
  return connectionStation >= from && connectionStation <= to ? connectionStation : from;
}

std::vector<SearchPair> SearchOrder(const SearchInput& in) {
  std::vector<SearchPair> pairs;
  if (in.from > in.to || in.lines.empty()) return pairs;
  const int given = GivenStation(in.given, in.from, in.to);
  pairs.reserve(in.lines.size() * static_cast<size_t>(in.to - in.from + 1));
  for (const LineChoice& l : in.lines) pairs.push_back({l, static_cast<uint8_t>(given)});
  for (const LineChoice& l : in.lines)
    for (int s = in.from; s <= in.to; ++s)
      if (s != given) pairs.push_back({l, static_cast<uint8_t>(s)});
  return pairs;
}

namespace {

// Start bit, data bits, parity bit, stop bits.
int CharacterBits(const ScanFormat& f) { return 1 + f.dataBits + (f.parity != 0 ? 1 : 0) + f.stopBits; }

double CharactersMs(const LineChoice& line, double characters) {
  return characters * CharacterBits(line.format) * 1000.0 / line.baud;
}

// The probe's request on the wire: eight bytes in RTU, seventeen characters in ASCII.
double RequestMs(const LineChoice& line) { return CharactersMs(line, line.format.transferMode == 0 ? 17 : 8); }
// The gap the transaction keeps before each request: 3.5 characters, never less
// than the floor the line's timing allows at the fast rates.
double SilenceMs(const LineChoice& line) {
  const bool rtu = line.format.transferMode != 0;
  const double kept = std::chrono::duration<double, std::milli>(FrameSilence(line.baud, rtu)).count();
  return std::max(CharactersMs(line, 3.5), kept);
}

RequestTiming ProbeLimits(const LineChoice& line, int& wait, int& settle) {
  const RequestTiming t = TimingFor(Request::Probe, line.baud);
  const bool rtu = line.format.transferMode != 0;
  wait = rtu ? t.rtuWait : t.asciiWait;
  settle = rtu ? t.rtuSettle : t.asciiSettle;
  return t;
}

}  // namespace

double PairCostMs(const LineChoice& line) {
  int wait = 0, settle = 0;
  ProbeLimits(line, wait, settle);
  return wait + RequestMs(line) + SilenceMs(line);
}

double IdentifyCostMs(const LineChoice& line) {
  int wait = 0, settle = 0;
  ProbeLimits(line, wait, settle);
  return 3 * (wait + settle + RequestMs(line) + SilenceMs(line));
}

double ExpectedMs(const std::vector<SearchPair>& pairs, size_t fromIndex) {
  double sum = 0;
  for (size_t i = fromIndex; i < pairs.size(); ++i) sum += PairCostMs(pairs[i].line);
  return sum;
}

double BoundMs(const std::vector<SearchPair>& tried, const std::vector<LineChoice>& identified) {
  double bound = 1.1 * ExpectedMs(tried) + 1000;
  for (const LineChoice& l : identified) bound += IdentifyCostMs(l);
  return bound;
}

bool FoundModule::IsCoupler() const { return identified && typeCode == kCouplerType; }

std::string FoundModule::ModelText() const {
  return IsCoupler() ? ModelName(kCouplerType) : std::string(Pick(txt::kFindNotCoupler));
}

namespace {

// What says the port itself failed, not the module: the search cannot go on. A
// line error is not among them: at a wrong baud rate a real line is full of
// framing and parity errors, and the search must go on to the next setting.
bool PortFailed(LinkResult r) { return r == kLinkSendFailed || r == kLinkReceiveFailed || r == kLinkPortNotOpen; }

}  // namespace

ModuleSearch::ModuleSearch(SearchInput in) : in_(std::move(in)), pairs_(SearchOrder(in_)) {}

SearchEnd ModuleSearch::Run() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  CommSettings& c = Comm();
  std::optional<LineChoice> applied;
  bool coupler = false;
  double leftMs = ExpectedMs(pairs_);
  auto report = [&] {
    if (!onProgress) return;
    SearchProgress p;
    p.done = tried_;
    p.total = pairs_.size();
    p.elapsedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    p.leftMs = 1.1 * leftMs;
    onProgress(p);
  };
  report();
  for (const SearchPair& p : pairs_) {
    if (stopRequested && stopRequested()) return SearchEnd::kStopped;
    UseLine(c, p.line);
    c.station = p.station;
    // The line changes only between groups of pairs; the port keeps it otherwise.
    if (!applied || !(*applied == p.line)) {
      if (!Link().ApplyLineSettings()) return SearchEnd::kPortFailed;
      applied = p.line;
    }
    // A pair whose probe failed on the port was not tried: the module never saw it.
    if (PortFailed(ProbeOnce())) return SearchEnd::kPortFailed;
    ++tried_;
    leftMs = std::max(0.0, leftMs - PairCostMs(p.line));
    if (AnsweredByStation()) {
      FoundModule m;
      m.station = p.station;
      m.line = p.line;
      const LinkResult probed = ProbeModule();
      if (PortFailed(probed)) {
        report();
        return SearchEnd::kPortFailed;
      }
      if (probed == kLinkOk) {
        m.identified = true;
        m.typeCode = ProbedTypeCode();
      }
      found_.push_back(m);
      if (onFound) onFound(m);
      if (m.IsCoupler()) {
        coupler = true;
        if (!in_.findAll) {
          report();
          return SearchEnd::kFound;
        }
      }
    }
    report();
  }
  return coupler ? SearchEnd::kFound : SearchEnd::kNothingFound;
}

}  // namespace tolvane
