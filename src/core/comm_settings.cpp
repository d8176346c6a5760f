#include "core/comm_settings.h"

#include "core/decimal.h"
#include "core/texts.h"

namespace tolvane {

CommSettings& Comm() {
  static CommSettings settings;
  return settings;
}

std::atomic<int>& ConnectedFlag() {
  static std::atomic<int> flag{0};
  return flag;
}

const std::vector<std::string>& BaudRateList() {
  static const std::vector<std::string> l{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  return l;
}
const std::vector<std::string>& ParityList(bool chinese) {
  static const std::vector<std::string> zh{txt::kParityNone.zh, txt::kParityOdd.zh, txt::kParityEven.zh};
  static const std::vector<std::string> en{txt::kParityNone.en, txt::kParityOdd.en, txt::kParityEven.en};
  return chinese ? zh : en;
}
const std::vector<std::string>& DataBitsList() {
  static const std::vector<std::string> l{"7", "8"};
  return l;
}
const std::vector<std::string>& StopBitsList() {
  static const std::vector<std::string> l{"1", "2"};
  return l;
}
const std::vector<std::string>& TransferModeList() {
  static const std::vector<std::string> l{"ASCII", "RTU"};
  return l;
}
const std::vector<std::string>& StationList() {
  static const std::vector<std::string> l = [] {
    std::vector<std::string> v;
    for (int i = 0; i < 256; ++i) v.push_back(std::to_string(i));
    return v;
  }();
  return l;
}

namespace {
const char* const kKeys[] = {"REM_ComPortName", "REM_StaNum",    "REM_BaudRate", "REM_Parity",
                             "REM_TransType",   "REM_DataBytes", "REM_StopBytes"};
}

void LoadCommSettings(ProfileStore& store) {
  ConnectedFlag().store(0);
  CommSettings& c = Comm();
  c = CommSettings{};
  std::string v[7];
  for (int i = 0; i < 7; ++i) v[i] = store.Read(kProfileSection, kKeys[i]);
  if (!v[0].empty()) c.portName = v[0];
  if (!v[1].empty()) c.station = static_cast<uint8_t>(DecimalValue(v[1]));
  if (!v[2].empty()) c.baud = static_cast<uint32_t>(DecimalValue(v[2]));
  if (!v[3].empty()) c.parity = static_cast<uint8_t>(DecimalValue(v[3]));
  if (!v[4].empty()) c.transferMode = static_cast<uint8_t>(DecimalValue(v[4]));
  if (!v[5].empty()) c.dataBits = static_cast<uint8_t>(DecimalValue(v[5]));
  if (!v[6].empty()) c.stopBits = static_cast<uint8_t>(DecimalValue(v[6]));
}

bool StoreCommSettings(ProfileStore& store) {
  const CommSettings& c = Comm();
  store.Write(kProfileSection, kKeys[0], c.portName);
  store.Write(kProfileSection, kKeys[1], std::to_string(c.station));
  // Signed, as loading reads it: a rate above 2^31 - 1 (only a hand-edited
  // negative value gives one) loads back as itself instead of saturating.
  store.Write(kProfileSection, kKeys[2], std::to_string(static_cast<int32_t>(c.baud)));
  store.Write(kProfileSection, kKeys[3], std::to_string(c.parity));
  store.Write(kProfileSection, kKeys[4], std::to_string(c.transferMode));
  store.Write(kProfileSection, kKeys[5], std::to_string(c.dataBits));
  store.Write(kProfileSection, kKeys[6], std::to_string(c.stopBits));
  return store.Commit();
}

}  // namespace tolvane
