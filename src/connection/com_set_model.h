// The communication settings dialog without its widgets, with the Link and
// Auto Link workers.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/message_rule.h"
#include "connection/comm_settings.h"
#include "connection/dispatcher.h"

namespace tolvane {

enum ComList { kListStation, kListPort, kListMode, kListParity, kListBaud, kListData, kListStop, kListCount };

struct ListState {
  std::vector<std::string> items;
  int selection = -1;
  std::string Text() const {
    return selection >= 0 && selection < static_cast<int>(items.size()) ? items[selection] : std::string();
  }
};

struct ButtonLook {
  std::string caption;
  uint32_t face = 0;  // 0xRRGGBB
};

inline constexpr uint32_t kFaceBlue = 0x1C73C0;  // 28, 115, 192
inline constexpr uint32_t kFaceRed = 0xFF0000;
inline constexpr uint32_t kFaceGrey = 0x7F7F7F;

struct ScanFormat {
  uint8_t transferMode, dataBits, parity, stopBits;
};
const std::array<int, 8>& ScanRateOrder();  // indexes into BaudRateList()
const std::array<ScanFormat, 6>& ScanFormats();

class ComSetModel {
 public:
  ComSetModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts = nullptr);
  ~ComSetModel();
  ComSetModel(const ComSetModel&) = delete;
  ComSetModel& operator=(const ComSetModel&) = delete;

  void SetWindow(WindowId window) { window_ = window; }
  // Called on the window's thread whenever the dialog has to redraw from the model.
  std::function<void()> onChanged;
  // Called on the window's thread when the dialog must end (true = OK).
  std::function<void(bool ok)> onClose;

  void Open();
  void Select(ComList list, int index);
  void OkClick();
  void CancelClick();  // also the frame's close box and Escape
  void LinkClick();
  void AutoLinkClick();

  bool WorkerRunning() const { return workerActive_.load(); }

  std::array<ListState, kListCount> lists;
  std::string status;
  bool listsEnabled = true;
  ButtonLook autoLink, link, ok, cancel;
  CommSettings baseline;

  std::atomic<int> linkStarted{0};
  std::atomic<int> stopRequest{0};
  std::atomic<int> searchRunning{0};

  void FillLists();
  void TakeOverChoice();
  void SetSearchButtons(bool running);

 private:
  void Changed();
  void SetStatus(const TextPair& text);
  void StartWorker(void (ComSetModel::*body)());
  void ConnectWorker();
  void DetectWorker();
  void WorkerEnded();

  UiDispatcher& ui_;
  std::function<std::vector<std::string>()> listPorts_;
  WindowId window_ = nullptr;
  std::thread worker_;
  std::atomic<bool> workerActive_{false};
  bool closeAfterWorker_ = false;
  std::string searchPort_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tolvane
