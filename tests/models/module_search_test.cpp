// The search over stations and line settings against the simulated coupler: the
// order of its pairs, the probes it sends, what it finds and its bound.
#include "models/module_search.h"

#include <gtest/gtest.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "models/find_module_model.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

std::string PairText(const SearchPair& p) {
  return std::to_string(p.station) + " " + std::to_string(p.line.baud) + " " + FrameFormatText(p.line.format);
}

std::string FoundText(const FoundModule& m) { return PairText({m.line, m.station}) + " " + m.ModelText(); }

// The station a logged request was addressed to, in either framing.
int RequestStation(const std::string& hex) {
  if (hex.rfind("3A ", 0) == 0) {  // ':' then two digits, each logged as its own hex byte
    const int hi = std::stoi(hex.substr(3, 2), nullptr, 16), lo = std::stoi(hex.substr(6, 2), nullptr, 16);
    return std::stoi(std::string{static_cast<char>(hi), static_cast<char>(lo)}, nullptr, 16);
  }
  return std::stoi(hex.substr(0, 2), nullptr, 16);
}

// Auto Link's line settings by position: 0 is 9600 RTU 8N2, 11 is 19200 ASCII
// 7E1, 18 is 115200 RTU 8N2.
std::vector<LineChoice> Lines(const std::vector<int>& at) {
  std::vector<LineChoice> out;
  for (int i : at) out.push_back(AutoLinkLines().at(i));
  return out;
}

TEST(ModuleSearch, TriesEachPairOnceInOrderAndStaysWithinItsBound) {
  SetUiLanguage(1);
  struct Row {
    const char* what;
    std::vector<std::string> sim;
    SearchInput in;
    int stopAfter;                        // -1: no stop
    std::vector<std::string> firstPairs;  // the order's beginning
    size_t pairs;
    std::vector<int> requests;  // the station of every request the module saw
    SearchEnd end;
    std::vector<std::string> found;
    double boundMs;  // for the pairs tried and what was identified, worked out by hand; -1: not fixed
  };
  const std::vector<Row> rows{
      {"one set, the connection's station outside the range: From first",
       {"--station", "201", "--baud", "19200", "--mode", "5"},
       {195, 205, 1, Lines({11}), false},
       -1,
       {"195 19200 ASCII 7E1", "196 19200 ASCII 7E1"},
       11,
       {195, 196, 197, 198, 199, 200, 201, 201},  // the last one the three-try probe, answered at once
       SearchEnd::kFound,
       {"201 19200 ASCII 7E1 KX-130"},
       2634.24},
      {"one set, the connection's station first, then the others ascending",
       {"--station", "201", "--baud", "19200", "--mode", "5"},
       {195, 205, 203, Lines({11}), false},
       -1,
       {"203 19200 ASCII 7E1", "195 19200 ASCII 7E1", "196 19200 ASCII 7E1"},
       11,
       {203, 195, 196, 197, 198, 199, 200, 201, 201},
       SearchEnd::kFound,
       {"201 19200 ASCII 7E1 KX-130"},
       2755.99},
      {"all line settings: the given station at each in Auto Link's order first",
       {"--station", "201", "--baud", "19200", "--mode", "5"},
       {200, 202, 201, AutoLinkLines(), false},
       -1,
       {"201 9600 RTU 8N2", "201 9600 RTU 8O1", "201 9600 RTU 8E1", "201 9600 ASCII 7N2", "201 9600 ASCII 7O1",
        "201 9600 ASCII 7E1", "201 19200 RTU 8N2"},
       3 * 48,
       std::vector<int>(13, 201),  // found on the twelfth pair, as Auto Link finds it
       SearchEnd::kFound,
       {"201 19200 ASCII 7E1 KX-130"},
       3355.46},
      {"find all: an exception reply answers, not a KX-130, and the search goes on to the end",
       {"--station", "3", "--baud", "115200", "--mode", "0", "--exception"},
       {1, 4, 1, Lines({18}), true},
       -1,
       {"1 115200 RTU 8N2", "2 115200 RTU 8N2", "3 115200 RTU 8N2", "4 115200 RTU 8N2"},
       4,
       {1, 2, 3, 3, 3, 3, 4},  // the three-try probe refused three times
       SearchEnd::kNothingFound,
       {"3 115200 RTU 8N2 answers, not a KX-130"},
       1688.60},  // the frame gap is 1.75 ms at the least, not 3.5 characters
      {"garbage at the wrong line settings is no answer",
       {"--station", "5", "--noise"},
       {5, 5, 5, Lines({1, 0}), false},
       -1,
       {"5 9600 RTU 8O1", "5 9600 RTU 8N2"},
       2,
       {5, 5, 5},
       SearchEnd::kFound,
       {"5 9600 RTU 8N2 KX-130"},
       2038.52},
      {"an echoing line: the request's own frame is no answer, nor the garbage behind it",
       {"--station", "5", "--noise", "--echo"},
       {5, 5, 5, Lines({1, 0}), false},
       -1,
       {"5 9600 RTU 8O1", "5 9600 RTU 8N2"},
       2,
       {5, 5, 5},
       SearchEnd::kFound,
       {"5 9600 RTU 8N2 KX-130"},
       2038.52},
      // The module's port gone with its second request: the next probe fails on
      // the port, which ends the search there instead of running through the range.
      {"a port that fails mid-search ends it",
       {"--station", "50", "--exit-after", "1"},
       {1, 100, 1, Lines({0}), false},
       -1,
       {"1 9600 RTU 8N2", "2 9600 RTU 8N2"},
       100,
       {1},
       SearchEnd::kPortFailed,
       {},
       -1},  // whether the port fails on the second pair or the third is the simulator's timing
      {"stop: no probe after the one under way",
       {"--silent"},
       {1, 247, 1, Lines({0}), false},
       3,
       {"1 9600 RTU 8N2", "2 9600 RTU 8N2"},
       247,
       {1, 2, 3},
       SearchEnd::kStopped,
       {},
       1373.48},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<SearchPair> order = SearchOrder(row.in);
    ASSERT_EQ(order.size(), row.pairs);
    for (size_t i = 0; i < row.firstPairs.size(); ++i) EXPECT_EQ(PairText(order[i]), row.firstPairs[i]) << i;

    test::SimProcess sim(row.sim);
    test::UsePort(sim.port(), 9600, 0);
    ASSERT_TRUE(Link().OpenPortBare());
    ModuleSearch search(row.in);
    std::vector<SearchProgress> progress;
    search.onProgress = [&](const SearchProgress& p) { progress.push_back(p); };
    search.stopRequested = [&] { return row.stopAfter >= 0 && search.tried() >= static_cast<size_t>(row.stopAfter); };
    const SearchEnd end = search.Run();
    Link().ClosePort();

    EXPECT_EQ(end, row.end);
    std::vector<int> requests;
    for (const std::string& hex : sim.Requests()) requests.push_back(RequestStation(hex));
    EXPECT_EQ(requests, row.requests);
    std::vector<std::string> found;
    std::vector<LineChoice> identified;
    for (const FoundModule& m : search.found()) {
      found.push_back(FoundText(m));
      identified.push_back(m.line);
    }
    EXPECT_EQ(found, row.found);
    const std::vector<SearchPair> tried(order.begin(), order.begin() + static_cast<long>(search.tried()));
    if (row.boundMs >= 0) {
      EXPECT_NEAR(BoundMs(tried, identified), row.boundMs, 0.01);
    }
    // Progress counts the pairs as they are tried, and what is left shrinks to nothing at the end.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front().done, 0u);
    EXPECT_NEAR(progress.front().leftMs, 1.1 * ExpectedMs(order), 0.01);
    EXPECT_EQ(progress.back().done, search.tried());
    EXPECT_EQ(progress.back().total, row.pairs);
    if (search.tried() == row.pairs) {
      EXPECT_NEAR(progress.back().leftMs, 0, 0.01);
    }
  }
}

// Use that opens the found port but cannot set its line leaves the connection
// on its own port, reopened, not on the found one at the connection's settings.
TEST(FindModule, AUseThatFailsPutsTheConnectionBackOnItsOwnPort) {
  test::FakeLinkScope scope;
  test::FakeBackend& fake = scope.fake();
  test::MessageRecorder rec;
  test::PumpDispatcher ui;
  Comm().portName = "ttyS0";
  ASSERT_TRUE(Link().OpenPort());
  ConnectedFlag().store(1);
  FindModuleModel m(ui, [] { return std::vector<std::string>{"ttyS0", "ttyUSB0"}; });
  m.Open();
  m.SelectPort(1);
  m.results = {FoundModule{201, AutoLinkLines().at(11), true, 0}};
  m.selected = 0;
  m.useEnabled = true;
  fake.applyOk = false;  // the found port opens, its line settings are refused
  fake.opened.clear();
  m.UseClick();
  ASSERT_EQ(fake.opened.size(), 2u);
  EXPECT_NE(fake.opened[0].find("ttyUSB0"), std::string::npos) << fake.opened[0];
  EXPECT_NE(fake.opened[1].find("ttyS0"), std::string::npos) << fake.opened[1];
  EXPECT_EQ(Comm().portName, "ttyS0");
  EXPECT_EQ(Comm().station, CommSettings{}.station);
  EXPECT_FALSE(rec.Texts().empty());
  EXPECT_EQ(rec.Texts().front(), "Operation of serial port failed!");
}

}  // namespace
}  // namespace tolvane
