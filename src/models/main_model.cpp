#include "models/main_model.h"

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "core/language.h"
#include "device/parameter_block.h"
#include "models/commands.h"
#include "models/writable_fields.h"

namespace tolvane {

MainModel::MainModel() = default;

const TextPair& FieldLabel(Field field) {
  static const TextPair* const labels[kFieldCount] = {
      &txt::kLblModuleType, &txt::kLblSwVersion, &txt::kLblContractVersion,
      &txt::kLblHwVersion,  &txt::kLblStation,   &txt::kLblStopAddr,
      &txt::kLblStopCode,   &txt::kLblIp,        &txt::kLblMask,
      &txt::kLblGateway,    &txt::kLblMac};
  return *labels[field];
}

const TextPair& GroupCaption(int group) {
  static const TextPair* const captions[kGroupCount] = {&txt::kGroupInfo, &txt::kGroupComm, &txt::kGroupShutdown,
                                                        &txt::kGroupNetwork};
  return *captions[group];
}

const char* UserGuideName() { return IsChinese() ? "UserGuide_CH.pdf" : "UserGuide_EN.pdf"; }

void MainModel::Show() {
  fields = kept;
  if (view_) view_->Push(*this);
}

void MainModel::Take() {
  if (view_) view_->Pull(*this);
  kept = fields;
}

void MainModel::SelectMode(int code) {
  modeSelection = SelectionForCode(code, 6);
  if (view_) view_->Push(*this);
}

void MainModel::SelectBaud(int code) {
  baudSelection = SelectionForCode(code, 8);
  if (view_) view_->Push(*this);
}

void MainModel::RequestFocus(Field field) {
  if (view_) view_->FocusField(field);
}

void MainModel::Start(ProfileStore* profile) {
  profile_ = profile;
  checkGuard = true;
  if (profile_)
    LoadCommSettings(*profile_);
  else
    ConnectedFlag().store(0);
}

void MainModel::ConnectionDialogEnded(bool accepted, bool linkStarted) {
  if (!accepted && !linkStarted) return;
  if (profile_) StoreCommSettings(*profile_);
  if (IsConnected()) ReadAfterConnect(*this);
}

void MainModel::Initialise() {
  checkGuard = true;
  Take();
  kept[kStation] = std::to_string(station);
  modeSelection = SelectionForCode(modeCode, 6);
  baudSelection = SelectionForCode(baudCode, 8);
  Show();
}

bool MainModel::CheckFields() {
  Take();
  std::string& text = kept[kStation];
  if (text.empty()) text = std::to_string(station);
  text = StripLeadingZeros(text);
  const int value = DecimalValue(text);
  if (const TextPair* refusal = RefuseNumber(WritableField::kStation, value)) {
    text = std::to_string(station);
    ShowMessagePair(window_, *refusal);
    RequestFocus(kStation);
    Show();
    return false;
  }
  station = static_cast<int16_t>(value);
  Show();
  return true;
}

void MainModel::OnFieldFocusLost() {
  if (!checkGuard) return;
  checkGuard = false;
  CheckFields();
  checkGuard = true;
}

void MainModel::OnSelectBaudRate(int position) {
  Take();
  baudCode = static_cast<uint8_t>(position);
  baudSelection = position;
  if (view_) {
    view_->Push(*this);
    view_->FocusAway();
  }
}

std::string KeepFieldCharacters(const std::string& text) {
  std::string kept;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '-') kept += c;
  return kept;
}

std::string OctetEntry(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  const std::string value = StripLeadingZeros(digits);
  return value.size() > 3 || (value.size() == 3 && value > "255") ? "255" : digits;
}

std::string DottedAddress(const std::array<std::string, 4>& octets) {
  bool any = false;
  for (const std::string& o : octets) any = any || !o.empty();
  if (!any) return {};
  std::string dotted;
  for (const std::string& o : octets) {
    if (!dotted.empty()) dotted += '.';
    dotted += std::to_string(DecimalValue(OctetEntry(o)));
  }
  return dotted;
}

}  // namespace tolvane
