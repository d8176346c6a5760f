// The main window without its widgets: kept texts, what the fields show, the
// five device values, the two list selections, and the rules of its fields.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "core/decimal.h"
#include "core/message_rule.h"
#include "device/register_map.h"

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
class ProfileStore;

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

  // The start of the window: the guard armed, the communication settings
  // loaded from the profile (without one, only the link marked down).
  void Start(ProfileStore* profile);
  // The window's initialisation steps that concern the fields.
  void Initialise();
  // After the communication settings dialog: a dialog ended with OK or one in
  // which a link was started stores the settings; a module now connected is
  // read into the window without messages.
  void ConnectionDialogEnded(bool accepted, bool linkStarted);
  // Runs on focus loss of a text field while the guard is armed.
  bool CheckFields();
  void OnFieldFocusLost();
  void OnSelectBaudRate(int position);

  std::array<std::string, kFieldCount> kept;
  std::array<std::string, kFieldCount> fields;
  int modeSelection = 0;
  int baudSelection = 3;

  int16_t station = 1;
  // Register 3's whole word as last read, or the list's mode once written.
  uint16_t modeCode = 0;
  uint8_t baudCode = 3;
  uint16_t stopAddress = 8192;
  uint16_t stopCode = 3;
  // The address registers' whole words as last read; zero once the window's addresses are written.
  std::array<uint16_t, kAddressRegisters> addressWords{};
  // Register 0 as last read, -1 before any read; the window shows only its model name.
  int typeCode = -1;
  bool checkGuard = false;

 private:
  MainView* view_ = nullptr;
  WindowId window_ = nullptr;
  ProfileStore* profile_ = nullptr;
};

// The label beside each field, and the four groups' captions from the top.
inline constexpr int kGroupCount = 4;
const TextPair& FieldLabel(Field field);
const TextPair& GroupCaption(int group);
// The user guide of the current language, a file in the executable's folder.
const char* UserGuideName();

// What an editable field keeps of entered text, however it came in (typed,
// pasted, dropped, from an input method): the digits and '-'.
std::string KeepFieldCharacters(const std::string& text);
// An address octet as entered: digits only; a number above 255 becomes 255.
std::string OctetEntry(const std::string& text);
// The dotted form of four octet boxes: empty while all four are empty, an
// empty box counting as 0.
std::string DottedAddress(const std::array<std::string, 4>& octets);

}  // namespace tolvane
