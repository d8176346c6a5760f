// The station search's time against its bound, against the simulator on a
// pseudo-terminal: a module at the last station of the range, at 9600 and 115200
// baud in both framings.
#include <chrono>
#include <cstdio>

#include "link/serial_link.h"
#include "models/module_search.h"
#include "support/sim_process.h"

int main() {
  using namespace tolvane;
  constexpr int kStations = 40;
  std::printf("%-22s %8s %8s %10s %10s %10s\n", "line settings", "pairs", "found", "took ms", "expect ms", "bound ms");
  for (uint32_t baud : {9600u, 115200u}) {
    for (int mode : {0, 5}) {
      const ScanFormat& f = ScanFormats().at(static_cast<size_t>(mode));
      test::SimProcess sim({"--station", std::to_string(kStations), "--baud", std::to_string(baud), "--mode",
                            std::to_string(mode), "--wire-time"});
      test::UsePort(sim.port(), baud, static_cast<uint8_t>(mode));
      if (!Link().OpenPortBare()) return 1;
      SearchInput in;
      in.from = 1;
      in.to = kStations;
      in.lines = {LineChoice{baud, f}};
      ModuleSearch search(in);
      const auto start = std::chrono::steady_clock::now();
      search.Run();
      const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      Link().ClosePort();
      const std::vector<SearchPair> tried(search.pairs().begin(),
                                          search.pairs().begin() + static_cast<long>(search.tried()));
      std::vector<LineChoice> identified;
      for (const FoundModule& m : search.found()) identified.push_back(m.line);
      const std::string name = std::to_string(baud) + " " + FrameFormatText(f);
      std::printf("%-22s %8zu %8zu %10.0f %10.0f %10.0f%s\n", name.c_str(), search.tried(), search.found().size(), took,
                  ExpectedMs(tried), BoundMs(tried, identified), took <= BoundMs(tried, identified) ? "" : "  OVER");
    }
  }
  SearchInput all;
  all.lines = AutoLinkLines();
  std::printf("\nexpected for every station 1..247: at 9600 RTU 8N2 %.1f s; at all 48 line settings %.1f min\n",
              ExpectedMs(SearchOrder({.lines = {AutoLinkLines()[0]}})) / 1000, ExpectedMs(SearchOrder(all)) / 60000);
  return 0;
}
