// The Find Module dialog without its widgets: the inputs of a station search,
// its worker, its progress and results, and what Use and Close leave behind.
#pragma once
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/comm_settings.h"
#include "core/dispatcher.h"
#include "core/message_rule.h"
#include "models/com_set_model.h"
#include "models/module_search.h"

namespace tolvane {

// "28 s", "34 min".
std::string DurationText(double ms);

// One row of the result list: station, baud rate, frame format, model.
struct FindResultRow {
  std::string station, baud, format, model;
};
FindResultRow ResultRow(const FoundModule& m);
// The result list's column headings, in the order of FindResultRow.
const std::array<const TextPair*, 4>& ResultColumns();

class FindModuleModel {
 public:
  FindModuleModel(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts);
  ~FindModuleModel();
  FindModuleModel(const FindModuleModel&) = delete;
  FindModuleModel& operator=(const FindModuleModel&) = delete;

  void SetWindow(WindowId window) { window_ = window; }
  // On the window's thread whenever the dialog has to redraw from the model.
  std::function<void()> onChanged;
  // On the window's thread when the dialog must end; true after Use.
  std::function<void(bool used)> onClose;

  void Open();
  void SelectPort(int index);
  void SelectLines(int index);  // 0: all, in Auto Link's order; 1: the connection's settings
  void SetFrom(const std::string& text);
  void SetTo(const std::string& text);
  void SetFindAll(bool on);
  void SelectResult(int index);
  void SearchClick();  // Search, or Stop while a search runs
  void UseClick();
  void CloseClick();  // also the frame's close box and Escape; nothing while a search runs

  bool Running() const { return state_.load() != State::kIdle; }

  ListState ports, lines;
  std::string fromText = "1", toText = "247";
  bool findAll = false;
  std::string searchCaption;
  std::string figures;  // before a search the expected duration, then the progress
  int percent = 0;
  std::vector<FoundModule> results;
  int selected = -1;
  bool useEnabled = false;
  bool inputsEnabled = true;
  std::string status;

 private:
  enum class State { kIdle, kSearching, kStopping };
  std::optional<SearchInput> Input() const;
  void Changed();
  void Expect();
  void Progress(const SearchProgress& p);
  void InputsChanged();
  void Found(const FoundModule& m);
  void Ended(SearchEnd end);
  void RestoreConnection();
  void UpdateUse();

  UiDispatcher& ui_;
  std::function<std::vector<std::string>()> listPorts_;
  WindowId window_ = nullptr;
  std::thread worker_;
  std::atomic<State> state_{State::kIdle};
  // The connection as it was when the dialog opened: every search ends by putting it back.
  CommSettings saved_;
  bool savedOpen_ = false;
  SearchProgress last_;    // what the figures show while and after a search runs
  bool borrowed_ = false;  // a search has the port: what it holds is not the connection's
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tolvane
