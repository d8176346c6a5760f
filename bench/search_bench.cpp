// The station search's time against its bound, against the simulator on a
// pseudo-terminal that takes as long to answer as the reply needs on the wire:
// a module at the last station of a range at 9600 and 115200 baud in both
// framings, and one at station 201 of the whole range at 19200 ASCII 7E1.
// Beside the bound stands the floor: each silent station costs at least the
// probe's wait limit W, so a search that finds the module sooner skipped one.
// The expected time and the bound count the frame gap the transaction keeps
// before every request (3.5 characters, at least 1.75 ms).
#include <chrono>
#include <cstdio>

#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/module_search.h"
#include "support/sim_process.h"

namespace {

using namespace tolvane;

struct Case {
  uint32_t baud;
  int mode;  // the simulator's frame format, 0..5
  int station, from, to;
};

// The probe's wait limit at these line settings.
int WaitMs(const LineChoice& line) {
  const RequestTiming t = TimingFor(Request::Probe, line.baud);
  return line.format.transferMode != 0 ? t.rtuWait : t.asciiWait;
}

bool Run(const Case& c) {
  const ScanFormat& f = ScanFormats().at(static_cast<size_t>(c.mode));
  test::SimProcess sim({"--station", std::to_string(c.station), "--baud", std::to_string(c.baud), "--mode",
                        std::to_string(c.mode), "--wire-time"});
  test::UsePort(sim.port(), c.baud, static_cast<uint8_t>(c.mode));
  if (!Link().OpenPortBare()) return false;
  SearchInput in;
  in.from = c.from;
  in.to = c.to;
  in.given = c.from;
  in.lines = {LineChoice{c.baud, f}};
  ModuleSearch search(in);
  const auto start = std::chrono::steady_clock::now();
  search.Run();
  const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  Link().ClosePort();
  const std::vector<SearchPair> tried(search.pairs().begin(),
                                      search.pairs().begin() + static_cast<long>(search.tried()));
  std::vector<LineChoice> identified;
  for (const FoundModule& m : search.found()) identified.push_back(m.line);
  const double floor = static_cast<double>(search.tried() - search.found().size()) * WaitMs(in.lines[0]);
  const double bound = BoundMs(tried, identified);
  const std::string name = std::to_string(c.baud) + " " + FrameFormatText(f);
  const std::string range = std::to_string(c.from) + "-" + std::to_string(c.to);
  std::printf("%-18s %8s %6zu %6zu %9.0f %9.0f %9.0f %9.0f%s\n", name.c_str(), range.c_str(), search.tried(),
              search.found().size(), floor, took, ExpectedMs(tried), bound,
              took > bound   ? "  OVER"
              : took < floor ? "  UNDER"
                             : "");
  return true;
}

}  // namespace

int main() {
  std::printf("%-18s %8s %6s %6s %9s %9s %9s %9s\n", "line settings", "stations", "pairs", "found", "floor ms",
              "took ms", "expect ms", "bound ms");
  const Case cases[] = {
      {9600, 0, 40, 1, 40},   {9600, 5, 40, 1, 40},    {115200, 0, 40, 1, 40},
      {115200, 5, 40, 1, 40}, {19200, 5, 201, 1, 247},
  };
  for (const Case& c : cases)
    if (!Run(c)) return 1;
  SearchInput all;
  all.lines = AutoLinkLines();
  std::printf("\nexpected for every station 1..247: at 9600 RTU 8N2 %.1f s; at all 48 line settings %.1f min\n",
              ExpectedMs(SearchOrder({.lines = {AutoLinkLines()[0]}})) / 1000, ExpectedMs(SearchOrder(all)) / 60000);
  return 0;
}
