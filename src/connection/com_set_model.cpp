#include "connection/com_set_model.h"

#include <algorithm>
#include <cctype>

#include "app/decimal.h"
#include "app/language.h"
#include "connection/port_list.h"
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
      ScanFormat{1, 8, 0, 2}, ScanFormat{1, 8, 1, 1}, ScanFormat{1, 8, 2, 1},
      ScanFormat{0, 7, 0, 2}, ScanFormat{0, 7, 1, 1}, ScanFormat{0, 7, 2, 1}};
  return formats;
}

namespace {
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}
}  // namespace

ComSetModel::ComSetModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : ui_(ui), listPorts_(std::move(listPorts)) {
  if (!listPorts_) listPorts_ = [] { return ListSerialPorts(); };
}

ComSetModel::~ComSetModel() {
  alive_.reset();
  if (worker_.joinable()) worker_.join();
}

void ComSetModel::Changed() {
  if (onChanged) onChanged();
}

void ComSetModel::Open() {
  stopRequest = 0;
  searchRunning = 0;
  linkStarted = 0;
  SetSearchButtons(false);
  ListState& ports = lists[kListPort];
  ports.items = listPorts_();
  ports.selection = -1;
  if (!ports.items.empty()) {
    auto it = std::find_if(ports.items.begin(), ports.items.end(),
                           [](const std::string& p) { return StartsWithNoCase(p, Comm().portName); });
    ports.selection = it == ports.items.end() ? 0 : static_cast<int>(it - ports.items.begin());
  } else {
    ShowMessagePair(window_, txt::kNoSerialPort);
  }
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
  if (mode == "ASCII") c.transferMode = 0;
  else if (mode == "RTU") c.transferMode = 1;
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
  if (linkStarted == 0) Comm() = baseline;
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

void ComSetModel::SetStatus(const TextPair& text) {
  ui_.RunBlocking([&] {
    status = Pick(text);
    Changed();
  });
}

void ComSetModel::StartWorker(void (ComSetModel::*body)()) {
  if (worker_.joinable()) worker_.join();
  workerActive_ = true;
  std::weak_ptr<int> alive = alive_;
  worker_ = std::thread([this, body, alive] {
    (this->*body)();
    ui_.Post([this, alive] {
      if (alive.lock()) WorkerEnded();
    });
  });
}

void ComSetModel::WorkerEnded() {
  if (worker_.joinable()) worker_.join();
  workerActive_ = false;
  if (closeAfterWorker_) {
    closeAfterWorker_ = false;
    CancelClick();  // as by the window frame: link-started keeps the tried settings
  }
}

void ComSetModel::LinkClick() {
  if (WorkerRunning()) return;
  TakeOverChoice();
  baseline = Comm();
  status.clear();
  Changed();
  if (Comm().portName.empty()) return;
  if (Link().OpenPortBare()) {
    linkStarted = 1;
    StartWorker(&ComSetModel::ConnectWorker);
    return;
  }
  ShowMessagePair(window_, txt::kSerialOpFailed);
  status = Pick(txt::kLinkCannotOpen);
  Link().ClosePort();
  Changed();
}

void ComSetModel::ConnectWorker() {
  SetStatus(txt::kConnecting);
  if (!Link().ApplyLineSettings()) {
    SetStatus(txt::kPortOpFailed);
    Link().ClosePort();
    ConnectedFlag().store(0);
    return;
  }
  if (ProbeModule() != 0) {
    SetStatus(txt::kConnectFailed);
    ConnectedFlag().store(0);
    return;
  }
  const TextPair& model = CouplerCheck(ProbedTypeCode());
  SetStatus(txt::kConnectOk);
  ui_.RunBlocking([&] { ShowPlainBox(window_, std::string(Pick(txt::kConnectOk)) + Pick(model)); });
  ConnectedFlag().store(1);
  ui_.RunBlocking([&] { closeAfterWorker_ = true; });
}

void ComSetModel::AutoLinkClick() {
  if (stopRequest) return;
  if (searchRunning) {
    stopRequest = 1;
    searchRunning = 0;
    return;
  }
  // A Link attempt, or a stopped search that has not yet ended, still owns the port.
  if (WorkerRunning()) return;
  searchRunning = 1;
  const std::string port = lists[kListPort].Text();
  if (port.empty()) {
    searchRunning = 0;
    return;
  }
  Comm().portName = port;
  if (Link().OpenPortBare()) {
    stopRequest = 0;
    Comm().station = static_cast<uint8_t>(DecimalValue(lists[kListStation].Text()));
    searchPort_ = port;
    StartWorker(&ComSetModel::DetectWorker);
    return;
  }
  ShowMessagePair(window_, txt::kDetectCannotOpen);
  searchRunning = 0;
  status = Pick(txt::kDetectPortFailed);
  Link().ClosePort();
  Changed();
}

void ComSetModel::DetectWorker() {
  ui_.RunBlocking([&] {
    status = Pick(txt::kDetecting);
    SetSearchButtons(true);
  });
  CommSettings& c = Comm();
  c.portName = searchPort_;
  const CommSettings saved = c;
  for (int rateIndex : ScanRateOrder()) {
    for (const ScanFormat& f : ScanFormats()) {
      c.baud = static_cast<uint32_t>(std::stoul(BaudRateList()[rateIndex]));
      c.transferMode = f.transferMode;
      c.dataBits = f.dataBits;
      c.parity = f.parity;
      c.stopBits = f.stopBits;
      if (stopRequest) {
        ui_.RunBlocking([&] {
          SetSearchButtons(false);
          status = Pick(txt::kDetectStopped);
          Changed();
        });
        c.station = saved.station;
        c.parity = saved.parity;
        c.baud = saved.baud;
        c.transferMode = saved.transferMode;
        c.stopBits = saved.stopBits;
        c.dataBits = saved.dataBits;
        stopRequest = 0;
        if (!Link().ApplyLineSettings())
          ui_.RunBlocking([&] { ShowMessagePairUnowned(txt::kPortOpFailed); });
        searchRunning = 0;
        return;
      }
      if (!Link().ApplyLineSettings()) {
        ui_.RunBlocking([&] {
          SetSearchButtons(false);
          status = Pick(txt::kSearchPortFailed);
          Changed();
        });
        stopRequest = 0;
        searchRunning = 0;
        Link().ClosePort();
        return;
      }
      if (ProbeModule() == 0) {
        ui_.RunBlocking([&] {
          status = Pick(txt::kDetectFound);
          FillLists();
          SetSearchButtons(false);
          linkStarted = 0;
          stopRequest = 0;
          searchRunning = 0;
        });
        return;
      }
    }
  }
  ui_.RunBlocking([&] {
    SetSearchButtons(false);
    status = Pick(txt::kDetectNothing);
    stopRequest = 0;
    searchRunning = 0;
    Changed();
  });
}

}  // namespace tolvane
