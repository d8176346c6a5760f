// How the PC talks to the module now; one record for the whole process.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tolvane {

struct CommSettings {
  std::string portName = "ttyS0";
  uint8_t station = 1;
  uint32_t baud = 9600;
  uint8_t dataBits = 8;
  uint8_t stopBits = 2;
  uint8_t parity = 0;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t transferMode = 1;  // 0 ASCII, 1 RTU
  bool operator==(const CommSettings&) const = default;
};

CommSettings& Comm();
std::atomic<int>& ConnectedFlag();
inline bool IsConnected() { return ConnectedFlag().load() != 0; }

// The fixed value lists of the settings dialog.
const std::vector<std::string>& BaudRateList();
const std::vector<std::string>& ParityList(bool chinese);
const std::vector<std::string>& DataBitsList();
const std::vector<std::string>& StopBitsList();
const std::vector<std::string>& TransferModeList();
const std::vector<std::string>& StationList();

// The stored profile: a key/value view so that the loading rules are testable
// without any storage behind them.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual std::string Read(const std::string& section, const std::string& key) = 0;
  virtual void Write(const std::string& section, const std::string& key, const std::string& value) = 0;
  virtual bool Commit() { return true; }
};

inline constexpr const char* kProfileSection = "REM_DefaultCom";
void LoadCommSettings(ProfileStore& store);
// False when the store could not keep them (the window goes on without: the
// settings stay in use for this run).
bool StoreCommSettings(ProfileStore& store);

}  // namespace tolvane
