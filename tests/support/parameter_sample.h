// One module's values, and the parameter file that both windows write for
// them: tests/data/kx130_station12.ini, saved by the Linux window. The Windows
// window writes the same bytes (all but the stamp) and each window loads it.
#pragma once
#include <string>

#include "models/main_model.h"

namespace tolvane::test {

inline void ShowSampleModule(MainModel& m) {
  m.kept[kModuleType] = "KX-130";
  m.typeCode = 0x1501;
  m.kept[kSoftwareVersion] = "0102";
  m.kept[kContractVersion] = "00ab";
  m.kept[kHardwareVersion] = "0100";
  m.kept[kMacAddress] = "00-12-34-56-78-9A";
  m.kept[kStation] = "12";
  m.kept[kStopAddress] = "1234";
  m.kept[kStopCode] = "7";
  m.kept[kIpAddress] = "192.168.1.20";
  m.kept[kSubnetMask] = "255.255.255.0";
  m.kept[kGateway] = "192.168.1.254";
  m.modeSelection = 0;
  m.baudSelection = 5;
  m.Show();
}

// The text without what differs from save to save: the tool's version and the time.
inline std::string Unstamped(std::string text) {
  for (const char* key : {"\nVersion=", "\nSaved="}) {
    const std::size_t at = text.find(key);
    if (at == std::string::npos) continue;
    const std::size_t value = at + std::char_traits<char>::length(key);
    text.erase(value, text.find('\n', value) - value);
  }
  return text;
}

}  // namespace tolvane::test
