#include "models/com_set_model.h"

#include <algorithm>
#include <cctype>

#include "core/decimal.h"
#include "core/language.h"
#include "device/identification.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"

namespace tolvane {

const std::array<int, 8>& ScanRateOrder() {
  static const std::array<int, 8> order{3, 4, 6, 7, 5, 2, 1, 0};
  return order;
}

const std::array<ScanFormat, 6>& ScanFormats() {
  static const std::array<ScanFormat, 6> formats{
      ScanFormat{.transferMode = 1, .dataBits = 8, .parity = 0, .stopBits = 2},
      ScanFormat{.transferMode = 1, .dataBits = 8, .parity = 1, .stopBits = 1},
      ScanFormat{.transferMode = 1, .dataBits = 8, .parity = 2, .stopBits = 1},
      ScanFormat{.transferMode = 0, .dataBits = 7, .parity = 0, .stopBits = 2},
      ScanFormat{.transferMode = 0, .dataBits = 7, .parity = 1, .stopBits = 1},
      ScanFormat{.transferMode = 0, .dataBits = 7, .parity = 2, .stopBits = 1}};
  return formats;
}

const std::array<LineSettingPlace, 6>& LineSettingPlaces() {
  static const std::array<LineSettingPlace, 6> places{{{kListPort, &txt::kPortLabel},
                                                       {kListMode, &txt::kModeLabel},
                                                       {kListBaud, &txt::kBaudLabel},
                                                       {kListData, &txt::kDataLabel},
                                                       {kListStop, &txt::kStopLabel},
                                                       {kListParity, &txt::kParityLabel}}};
  return places;
}

const std::vector<TextPair>& StatusTexts() {
  static const std::vector<TextPair> texts{txt::kLinkCannotOpen, txt::kConnecting,      txt::kPortOpFailed,
                                           txt::kConnectFailed,  txt::kConnectOk,       txt::kDetectPortFailed,
                                           txt::kDetecting,      txt::kDetectNothing,   txt::kDetectFound,
                                           txt::kDetectStopped,  txt::kSearchPortFailed};
  return texts;
}

namespace {
bool SameLetters(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return prefix.size() <= text.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), SameLetters);
}
bool EqualsNoCase(const std::string& a, const std::string& b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

}  // namespace

int SelectStoredPort(std::vector<std::string>& ports, const std::string& stored) {
  if (stored.find('/') != std::string::npos) {
    auto it = std::find(ports.begin(), ports.end(), stored);
    const std::string devDir = "/dev/";
    if (it == ports.end() && stored.rfind(devDir, 0) == 0)
      it = std::find(ports.begin(), ports.end(), stored.substr(devDir.size()));
    if (it != ports.end()) return static_cast<int>(it - ports.begin());
    // Not one the system lists (a by-id link, a simulator's pty): kept as the
    // choice rather than silently replaced.
    ports.push_back(stored);
    return static_cast<int>(ports.size() - 1);
  }
  // The stored port itself when it is listed (ttyUSB1 must not lose to an earlier
  // ttyUSB10), else the first port that begins with its name, else the first port.
  if (ports.empty()) return -1;
  auto it = std::find_if(ports.begin(), ports.end(), [&](const std::string& p) { return EqualsNoCase(p, stored); });
  if (it == ports.end())
    it = std::find_if(ports.begin(), ports.end(), [&](const std::string& p) { return StartsWithNoCase(p, stored); });
  return it == ports.end() ? 0 : static_cast<int>(it - ports.begin());
}

ComSetModel::ComSetModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : ui_(ui), listPorts_(std::move(listPorts)) {
  if (!listPorts_) listPorts_ = [] { return std::vector<std::string>{}; };
}

ComSetModel::~ComSetModel() {
  alive_.reset();
  // A search still running when the program quits stops at its next probe
  // instead of holding the exit for the rest of its 48 tries.
  if (state_ == ComSetState::kSearching) state_ = ComSetState::kStopping;
  if (worker_.joinable()) worker_.join();
}

void ComSetModel::Changed() {
  if (onChanged) onChanged();
}

void ComSetModel::Open() {
  state_ = ComSetState::kIdle;
  linkStarted = false;
  SetSearchButtons(false);
  ListState& ports = lists[kListPort];
  ports.items = listPorts_();
  ports.selection = SelectStoredPort(ports.items, Comm().portName);
  if (ports.items.empty()) ShowMessagePair(window_, txt::kNoSerialPort);
  FillLists();
  baseline = Comm();
  status.clear();
  Changed();
}

void ComSetModel::FillLists() {
  const CommSettings& c = Comm();
  lists[kListStation] = {StationList(), c.station};
  lists[kListMode] = {TransferModeList(), c.transferMode == 0 ? 0 : 1};
  lists[kListParity] = {ParityList(IsChinese()), c.parity <= 2 ? c.parity : -1};
  int baud = 3;
  const auto& rates = BaudRateList();
  for (size_t i = 0; i < rates.size(); ++i)
    if (std::to_string(c.baud) == rates[i]) baud = static_cast<int>(i);
  lists[kListBaud] = {rates, baud};
  lists[kListData] = {DataBitsList(), c.dataBits == 7 ? 0 : 1};
  int stop = c.stopBits == 0 ? 0 : c.stopBits - 1;
  lists[kListStop] = {StopBitsList(), stop < 2 ? stop : -1};
}

void ComSetModel::Select(ComList list, int index) {
  if (!listsEnabled) return;
  ListState& l = lists[list];
  if (index >= -1 && index < static_cast<int>(l.items.size())) l.selection = index;
  Changed();
}

void ComSetModel::TakeOverChoice() {
  CommSettings& c = Comm();
  c.baud = static_cast<uint32_t>(DecimalValue(lists[kListBaud].Text()));
  c.dataBits = static_cast<uint8_t>(DecimalValue(lists[kListData].Text()));
  c.stopBits = static_cast<uint8_t>(DecimalValue(lists[kListStop].Text()));
  c.station = static_cast<uint8_t>(DecimalValue(lists[kListStation].Text()));
  c.portName = lists[kListPort].Text();
  const std::string mode = lists[kListMode].Text();
  if (mode == "ASCII")
    c.transferMode = 0;
  else if (mode == "RTU")
    c.transferMode = 1;
  const std::string parity = lists[kListParity].Text();
  for (uint8_t code = 0; code < 3; ++code)
    if (parity == ParityList(true)[code] || parity == ParityList(false)[code]) c.parity = code;
}

void ComSetModel::OkClick() {
  if (WorkerRunning()) return;
  TakeOverChoice();
  if (onClose) onClose(true);
}

void ComSetModel::CancelClick() {
  if (WorkerRunning()) return;
  if (!linkStarted) Comm() = baseline;
  if (onClose) onClose(false);
}

void ComSetModel::SetSearchButtons(bool running) {
  autoLink = {Pick(running ? txt::kStop : txt::kAutoLink), running ? kFaceRed : kFaceBlue};
  const uint32_t face = running ? kFaceGrey : kFaceBlue;
  link = {Pick(txt::kLink), face};
  ok = {Pick(txt::kOk), face};
  cancel = {Pick(txt::kCancel), face};
  listsEnabled = !running;
  Changed();
}

// The worker only touches the port and CommSettings; what the user sees is done
// on the window's thread once the worker's thread has ended, so that no input
// can start a second worker while the first is still winding down.
void ComSetModel::StartWorker(ComSetState state, Outcome (ComSetModel::*body)()) {
  if (worker_.joinable()) worker_.join();
  state_ = state;
  std::weak_ptr<int> alive = alive_;
  worker_ = std::thread([this, body, alive] {
    const Outcome end = (this->*body)();
    ui_.Post([this, alive, end] {
      if (alive.lock()) WorkerEnded(end);
    });
  });
}

void ComSetModel::WorkerEnded(Outcome end) {
  if (worker_.joinable()) worker_.join();
  if (state_ == ComSetState::kConnecting)
    EndLink(end);
  else
    EndSearch(end);
}

// A port the user may not open says so and how to fix it; every other failure
// to open keeps the button's own message.
void ComSetModel::ShowOpenFailure(const TextPair& otherwise) {
  if (ClassifyOpenError(Link().lastError()) == OpenErrorKind::Permission)
    ShowMessagePair(window_, PortPermissionMessage().View());
  else
    ShowMessagePair(window_, otherwise);
}

void ComSetModel::LinkClick() {
  if (WorkerRunning()) return;
  TakeOverChoice();
  baseline = Comm();
  status.clear();
  Changed();
  if (Comm().portName.empty()) return;
  if (Link().OpenPortBare()) {
    linkStarted = true;
    status = Pick(txt::kConnecting);
    Changed();
    StartWorker(ComSetState::kConnecting, &ComSetModel::ConnectWorker);
    return;
  }
  ShowOpenFailure(txt::kSerialOpFailed);
  status = Pick(txt::kLinkCannotOpen);
  Link().ClosePort();
  Changed();
}

ComSetModel::Outcome ComSetModel::ConnectWorker() {
  if (!Link().ApplyLineSettings()) {
    Link().ClosePort();
    return Outcome::kApplyFailed;
  }
  if (ProbeModule() != kLinkOk) return Outcome::kNoAnswer;  // the port stays open
  probedType_ = ProbedTypeCode();
  return Outcome::kLinked;
}

void ComSetModel::EndLink(Outcome end) {
  state_ = ComSetState::kIdle;
  if (end != Outcome::kLinked) {
    status = Pick(end == Outcome::kApplyFailed ? txt::kPortOpFailed : txt::kConnectFailed);
    ConnectedFlag().store(0);
    Changed();
    return;
  }
  status = Pick(txt::kConnectOk);
  Changed();
  ShowPlainBox(window_, std::string(Pick(txt::kConnectOk)) + Pick(CouplerCheck(probedType_)));
  ConnectedFlag().store(1);
  CancelClick();  // as by the window frame: link-started keeps the tried settings
}

void ComSetModel::AutoLinkClick() {
  switch (state_.load()) {
    case ComSetState::kStopping:  // a stop that the worker has not yet seen
    case ComSetState::kConnecting:
      return;
    case ComSetState::kSearching:
      state_ = ComSetState::kStopping;  // the worker sees it before its next probe
      return;
    case ComSetState::kIdle:
      break;
  }
  const std::string port = lists[kListPort].Text();
  if (port.empty()) return;
  Comm().portName = port;
  if (!Link().OpenPortBare()) {
    ShowOpenFailure(txt::kDetectCannotOpen);
    Link().ClosePort();
    EndSearch(Outcome::kOpenFailed);
    return;
  }
  // The line format, transfer mode and baud rate are not taken over: the search sets them.
  Comm().station = static_cast<uint8_t>(DecimalValue(lists[kListStation].Text()));
  searchSaved_ = Comm();
  status = Pick(txt::kDetecting);
  SetSearchButtons(true);
  StartWorker(ComSetState::kSearching, &ComSetModel::DetectWorker);
}

void UseScanStep(CommSettings& c, int rateIndex, const ScanFormat& f) {
  c.baud = static_cast<uint32_t>(std::stoul(BaudRateList()[rateIndex]));
  c.transferMode = f.transferMode;
  c.dataBits = f.dataBits;
  c.parity = f.parity;
  c.stopBits = f.stopBits;
}

ComSetModel::Outcome ComSetModel::DetectWorker() {
  CommSettings& c = Comm();
  for (int rateIndex : ScanRateOrder()) {
    for (const ScanFormat& f : ScanFormats()) {
      UseScanStep(c, rateIndex, f);
      if (state_ == ComSetState::kStopping) return Outcome::kStopped;
      if (!Link().ApplyLineSettings()) {
        Link().ClosePort();
        return Outcome::kPortFailed;
      }
      if (ProbeModule() == kLinkOk) return Outcome::kFound;  // the port stays open with these settings
    }
  }
  return Outcome::kNothingFound;  // left at the last combination tried, the port open
}

// Every end of a search, and a search that could not open the port, comes here.
// Whatever a Link attempt had tried before is no longer what CommSettings hold,
// so link-started is cleared: Cancel then restores the baseline and the caller
// stores nothing the user did not choose.
void ComSetModel::EndSearch(Outcome end) {
  state_ = ComSetState::kIdle;
  linkStarted = false;
  SetSearchButtons(false);
  bool reapplyFailed = false;
  switch (end) {
    case Outcome::kFound:
      status = Pick(txt::kDetectFound);
      FillLists();  // the found rate and format; the station as chosen
      break;
    case Outcome::kNothingFound:
      status = Pick(txt::kDetectNothing);  // the lists still show the user's choice
      break;
    case Outcome::kStopped:
      status = Pick(txt::kDetectStopped);
      Comm() = searchSaved_;  // the rate and format of before; port and station as the search had them
      reapplyFailed = !Link().ApplyLineSettings();
      break;
    case Outcome::kPortFailed:
      status = Pick(txt::kSearchPortFailed);
      break;
    case Outcome::kOpenFailed:
      status = Pick(txt::kDetectPortFailed);
      break;
    default:  // a Link's outcomes end no search
      break;
  }
  Changed();
  if (reapplyFailed) ShowMessagePairUnowned(txt::kPortOpFailed);
}

}  // namespace tolvane
