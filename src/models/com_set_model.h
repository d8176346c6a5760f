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

#include "core/comm_settings.h"
#include "core/dispatcher.h"
#include "core/message_rule.h"

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
// Puts one step of the search into the settings: the rate at rateIndex, the format f.
void UseScanStep(CommSettings& c, int rateIndex, const ScanFormat& f);

// Every text the status line can show, for sizing it.
const std::vector<TextPair>& StatusTexts();

// The line-settings lists of the "COM parameter" group in reading order, two a
// row (port and transfer mode, baud rate and data bits, stop bits and parity),
// each with its label.
struct LineSettingPlace {
  ComList list;
  const TextPair* label;
};
const std::array<LineSettingPlace, 6>& LineSettingPlaces();

// What the dialog is doing. Only kIdle takes Link, OK, Cancel, Enter and Escape;
// a state other than kIdle lasts until the worker's thread has ended.
enum class ComSetState {
  kIdle,
  kConnecting,  // ConnectWorker runs
  kSearching,   // DetectWorker runs
  kStopping,    // the user asked the search to stop; the worker has not seen it yet
};

// Which listed port the stored port name selects, by index (-1 for an empty
// list). A bare name: the same name, letter case aside, else the first port
// that begins with it, else the first port. A path (a name with a '/'): the
// listed port of exactly that name, else the listed node it names under /dev/
// ("/dev/ttyUSB1" selects "ttyUSB1"); a path that no listed port matches is
// added to the list, so that the port the user chose stays chosen. Links are
// never followed to choose: a by-id link stays itself, whichever kernel name it
// leads to today, and a second link to one device is not the first.
int SelectStoredPort(std::vector<std::string>& ports, const std::string& stored);

class ComSetModel {
 public:
  explicit ComSetModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts = nullptr);
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

  ComSetState state() const { return state_.load(); }
  bool WorkerRunning() const { return state() != ComSetState::kIdle; }

  std::array<ListState, kListCount> lists;
  std::string status;
  bool listsEnabled = true;
  ButtonLook autoLink, link, ok, cancel;
  CommSettings baseline;
  // A Link attempt has opened the port since the dialog opened and no search has
  // ended since: Cancel then keeps the tried settings and the caller stores them.
  bool linkStarted = false;

  void FillLists();
  void TakeOverChoice();
  void SetSearchButtons(bool running);

 private:
  // How a Link or a search ended; the window's thread finishes from there.
  enum class Outcome {
    kApplyFailed,
    kNoAnswer,
    kLinked,  // Link
    kOpenFailed,
    kFound,
    kNothingFound,
    kStopped,
    kPortFailed  // search
  };

  void Changed();
  void ShowOpenFailure(const TextPair& otherwise);
  void StartWorker(ComSetState state, Outcome (ComSetModel::*body)());
  Outcome ConnectWorker();
  Outcome DetectWorker();
  void WorkerEnded(Outcome end);
  void EndLink(Outcome end);
  void EndSearch(Outcome end);

  UiDispatcher& ui_;
  std::function<std::vector<std::string>()> listPorts_;
  WindowId window_ = nullptr;
  std::thread worker_;
  std::atomic<ComSetState> state_{ComSetState::kIdle};
  CommSettings searchSaved_;  // what a stopped search puts back
  uint16_t probedType_ = 0;   // written by ConnectWorker, read after its thread has ended
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tolvane
