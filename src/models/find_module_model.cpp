#include "models/find_module_model.h"

#include <cmath>

#include "core/decimal.h"
#include "core/language.h"
#include "link/serial_link.h"

namespace tolvane {

std::string DurationText(double ms) {
  const long seconds = std::lround(ms / 1000);
  if (seconds < 120) return PickFilled(txt::kFindSeconds, {std::to_string(seconds)});
  return PickFilled(txt::kFindMinutes, {std::to_string(std::lround(seconds / 60.0))});
}

FindResultRow ResultRow(const FoundModule& m) {
  return {std::to_string(m.station), std::to_string(m.line.baud), FrameFormatText(m.line.format), m.ModelText()};
}

const std::array<const TextPair*, 4>& ResultColumns() {
  static const std::array<const TextPair*, 4> columns{&txt::kFindColStation, &txt::kFindColBaud, &txt::kFindColFormat,
                                                      &txt::kFindColModel};
  return columns;
}

FindModuleModel::FindModuleModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : ui_(ui), listPorts_(std::move(listPorts)) {
  if (!listPorts_) listPorts_ = [] { return std::vector<std::string>{}; };
}

FindModuleModel::~FindModuleModel() {
  alive_.reset();
  // A search still running when the window goes stops at its next pair.
  if (state_ == State::kSearching) state_ = State::kStopping;
  if (worker_.joinable()) worker_.join();
  if (borrowed_) RestoreConnection();
}

void FindModuleModel::Changed() {
  if (onChanged) onChanged();
}

void FindModuleModel::Open() {
  saved_ = Comm();
  savedOpen_ = Link().IsOpen();
  ports.items = listPorts_();
  ports.selection = SelectStoredPort(ports.items, saved_.portName);
  if (ports.items.empty()) ShowMessagePair(window_, txt::kNoSerialPort);
  const LineChoice stored = LineOf(saved_);
  lines.items = {Pick(txt::kFindAllLines), std::to_string(stored.baud) + " " + FrameFormatText(stored.format)};
  lines.selection = 0;
  fromText = std::to_string(kFirstStation);
  toText = std::to_string(kLastStation);
  findAll = false;
  results.clear();
  selected = -1;
  status.clear();
  searchCaption = Pick(txt::kFindSearch);
  inputsEnabled = true;
  UpdateUse();
  Expect();
  Changed();
}

std::optional<SearchInput> FindModuleModel::Input() const {
  if (fromText.empty() || toText.empty()) return std::nullopt;
  const int from = DecimalValue(fromText), to = DecimalValue(toText);
  if (from < kFirstStation || to > kLastStation || from > to) return std::nullopt;
  SearchInput in;
  in.from = from;
  in.to = to;
  in.given = GivenStation(saved_.station, from, to);
  in.lines = lines.selection == 1 ? std::vector<LineChoice>{LineOf(saved_)} : AutoLinkLines();
  in.findAll = findAll;
  return in;
}

// Before a search the figures say what it will cost.
void FindModuleModel::Expect() {
  percent = 0;
  const std::optional<SearchInput> in = Input();
  if (!in) {
    figures.clear();
    return;
  }
  const std::vector<SearchPair> pairs = SearchOrder(*in);
  figures = PickFilled(txt::kFindExpected, {std::to_string(pairs.size()), DurationText(ExpectedMs(pairs))});
}

// What a search found belongs to the port, range and line settings it ran
// with: once these change, the list and Use would offer what nobody asked for.
void FindModuleModel::InputsChanged() {
  results.clear();
  selected = -1;
  status.clear();
  UpdateUse();
  Expect();
  Changed();
}

void FindModuleModel::SelectPort(int index) {
  if (Running() || index < -1 || index >= static_cast<int>(ports.items.size()) || index == ports.selection) return;
  ports.selection = index;
  InputsChanged();
}

void FindModuleModel::SelectLines(int index) {
  if (Running() || index < 0 || index > 1 || index == lines.selection) return;
  lines.selection = index;
  InputsChanged();
}

void FindModuleModel::SetFrom(const std::string& text) {
  if (Running() || text == fromText) return;
  fromText = text;
  InputsChanged();
}

void FindModuleModel::SetTo(const std::string& text) {
  if (Running() || text == toText) return;
  toText = text;
  InputsChanged();
}

void FindModuleModel::SetFindAll(bool on) {
  if (Running()) return;
  findAll = on;
  Changed();
}

void FindModuleModel::SelectResult(int index) {
  if (index < -1 || index >= static_cast<int>(results.size())) return;
  selected = index;
  UpdateUse();
  Changed();
}

void FindModuleModel::UpdateUse() {
  useEnabled = !Running() && selected >= 0 && selected < static_cast<int>(results.size()) &&
               results[static_cast<size_t>(selected)].IsCoupler();
}

void FindModuleModel::SearchClick() {
  switch (state_.load()) {
    case State::kStopping:
      return;
    case State::kSearching:
      state_ = State::kStopping;  // the worker sees it before its next pair
      return;
    case State::kIdle:
      break;
  }
  const std::optional<SearchInput> in = Input();
  if (!in) {
    ShowMessagePair(window_, txt::kFindRangeBad);
    return;
  }
  const std::string port = ports.Text();
  if (port.empty()) return;
  if (worker_.joinable()) worker_.join();
  Comm() = saved_;
  Comm().portName = port;
  if (!Link().OpenPortBare()) {
    if (ClassifyOpenError(Link().lastError()) == OpenErrorKind::Permission)
      ShowMessagePair(window_, PortPermissionMessage().View());
    else
      ShowMessagePair(window_, txt::kDetectCannotOpen);
    RestoreConnection();
    return;
  }
  borrowed_ = true;
  results.clear();
  selected = -1;
  status.clear();
  state_ = State::kSearching;
  searchCaption = Pick(txt::kStop);
  inputsEnabled = false;
  UpdateUse();
  Progress({0, SearchOrder(*in).size(), 0, 1.1 * ExpectedMs(SearchOrder(*in))});
  std::weak_ptr<int> alive = alive_;
  worker_ = std::thread([this, alive, input = *in] {
    ModuleSearch search(input);
    search.stopRequested = [this] { return state_ == State::kStopping; };
    search.onProgress = [this, alive](const SearchProgress& p) {
      ui_.Post([this, alive, p] {
        if (alive.lock()) Progress(p);
      });
    };
    search.onFound = [this, alive](const FoundModule& m) {
      ui_.Post([this, alive, m] {
        if (alive.lock()) Found(m);
      });
    };
    const SearchEnd end = search.Run();
    ui_.Post([this, alive, end] {
      if (alive.lock()) Ended(end);
    });
  });
}

void FindModuleModel::Progress(const SearchProgress& p) {
  last_ = p;
  percent = p.total ? static_cast<int>(100 * p.done / p.total) : 0;
  figures = PickFilled(txt::kFindProgress, {std::to_string(p.done), std::to_string(p.total), DurationText(p.elapsedMs),
                                            DurationText(p.leftMs)});
  Changed();
}

void FindModuleModel::Found(const FoundModule& m) {
  results.push_back(m);
  // The first module found is the one selected.
  if (selected < 0 && m.IsCoupler()) selected = static_cast<int>(results.size()) - 1;
  Changed();
}

void FindModuleModel::Ended(SearchEnd end) {
  if (worker_.joinable()) worker_.join();
  state_ = State::kIdle;
  RestoreConnection();
  int couplers = 0;
  for (const FoundModule& m : results) couplers += m.IsCoupler() ? 1 : 0;
  switch (end) {
    case SearchEnd::kFound:
      status = PickFilled(txt::kFindDone, {std::to_string(couplers)});
      break;
    case SearchEnd::kNothingFound:
      status = Pick(txt::kFindNothing);
      break;
    case SearchEnd::kStopped:
      status = Pick(txt::kFindStopped);
      break;
    case SearchEnd::kPortFailed:
      status = Pick(txt::kSearchPortFailed);
      break;
  }
  // An ended search has nothing left to take, whatever its bound still allowed.
  last_.leftMs = 0;
  Progress(last_);
  searchCaption = Pick(txt::kFindSearch);
  inputsEnabled = true;
  UpdateUse();
  Changed();
}

// The port and CommSettings as they were before the search: the search only
// borrowed them.
void FindModuleModel::RestoreConnection() {
  borrowed_ = false;
  const bool samePort = Link().IsOpen() && Comm().portName == saved_.portName;
  Comm() = saved_;
  if (!savedOpen_) {
    Link().ClosePort();
  } else if (samePort ? !Link().ApplyLineSettings() : !Link().OpenPort()) {
    ShowMessagePair(window_, txt::kPortOpFailed);
  }
}

void FindModuleModel::UseClick() {
  if (!useEnabled) return;
  const FoundModule& m = results[static_cast<size_t>(selected)];
  CommSettings c = saved_;
  c.portName = ports.Text();
  UseLine(c, m.line);
  c.station = m.station;
  Comm() = c;
  // As a successful Link leaves it: the port open at the module's settings, connected.
  if (!Link().OpenPort()) {
    ShowMessagePair(window_, txt::kPortOpFailed);
    // The found port may be open at wrong settings: RestoreConnection tells it
    // from the connection's own by what Comm() still names.
    RestoreConnection();
    return;
  }
  ConnectedFlag().store(1);
  saved_ = c;
  savedOpen_ = true;
  if (onClose) onClose(true);
}

void FindModuleModel::CloseClick() {
  if (Running()) return;
  if (onClose) onClose(false);
}

}  // namespace tolvane
