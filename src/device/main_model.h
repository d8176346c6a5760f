// The main window without its widgets: kept texts, what the fields show, the
// five device values, the two list selections and where the focus should go.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "app/message_rule.h"

namespace tolvane {

enum Field {
  kModuleType,
  kSoftwareVersion,
  kContractVersion,
  kHardwareVersion,
  kStation,
  kStopAddress,
  kStopCode,
  kIpAddress,
  kSubnetMask,
  kGateway,
  kMacAddress,
  kFieldCount
};

class MainModel;

// The widgets behind the model. Pull copies what the user sees into the model,
// Push shows the model's fields and selections.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual void Pull(MainModel& model) = 0;
  virtual void Push(const MainModel& model) = 0;
  virtual void FocusField(Field field) = 0;
  virtual void FocusAway() = 0;
};

class MainModel {
 public:
  MainModel();
  void SetView(MainView* view, WindowId window) {
    view_ = view;
    window_ = window;
  }
  WindowId window() const { return window_; }

  void Show();  // kept texts into the fields
  void Take();  // the fields into the kept texts
  void SelectMode(int code);
  void SelectBaud(int code);
  void RequestFocus(Field field);

  // The window's initialisation steps that concern the model.
  void Initialise();
  // Runs on focus loss of a text field while the guard is armed.
  bool CheckFields();
  void OnFieldFocusLost();
  void OnSelectBaudRate(int position);

  std::array<std::string, kFieldCount> kept;
  std::array<std::string, kFieldCount> fields;
  int modeSelection = 0;
  int baudSelection = 3;
  int focusRequest = -1;

  int16_t station = 1;
  uint8_t modeCode = 0;
  uint8_t baudCode = 3;
  uint16_t stopAddress = 8192;
  uint16_t stopCode = 3;
  bool checkGuard = false;

 private:
  MainView* view_ = nullptr;
  WindowId window_ = nullptr;
};

std::string StripLeadingZeros(const std::string& text);
int DottedField(const std::string& text, int k);

}  // namespace tolvane
