// The coupler's holding registers as the tool uses them: where each value lies,
// which ranges the commands write, and what a factory restore puts there.
#pragma once
#include <cstdint>

namespace tolvane {

// 26 registers from address 0, read in one piece.
inline constexpr uint8_t kBlockRegisters = 26;

enum Register : uint16_t {
  kRegTypeCode = 0,
  kRegSoftwareVersion = 1,
  kRegStation = 2,   // signed
  kRegCommMode = 3,  // low byte
  kRegBaudCode = 4,  // low byte
  kRegStopAddress = 5,
  kRegStopCode = 6,
  kRegMac = 8,         // three registers, six bytes high byte first
  kRegIpAddress = 12,  // four registers, one octet in each low byte
  kRegSubnetMask = 16,
  kRegGateway = 20,
  kRegContractVersion = 24,
  kRegHardwareVersion = 25,
};

inline constexpr int kMacBytes = 6;
inline constexpr int kAddressOctets = 4;
// IP address, subnet mask and gateway, one after another.
inline constexpr int kAddressRegisters = 3 * kAddressOctets;

struct RegisterRange {
  uint16_t start;
  uint16_t count;
  // Bytes on the wire, two per register.
  constexpr uint16_t bytes() const { return static_cast<uint16_t>(2 * count); }
};

// What the commands write.
inline constexpr RegisterRange kCommRange{kRegStation, 3};          // station, mode, baud
inline constexpr RegisterRange kShutdownRange{kRegStopAddress, 2};  // stop address, stop code
inline constexpr RegisterRange kIpRange{kRegIpAddress, kAddressOctets};
inline constexpr RegisterRange kMaskRange{kRegSubnetMask, kAddressOctets};
inline constexpr RegisterRange kGatewayRange{kRegGateway, kAddressOctets};

// The values a factory restore writes.
inline constexpr uint16_t kFactoryStopAddress = 8192;
inline constexpr uint16_t kFactoryStopCode = 3;
inline constexpr uint8_t kFactoryStation = 1;
inline constexpr uint8_t kFactoryCommMode = 0;  // "0: RTU,8,N,2"
inline constexpr uint8_t kFactoryBaudCode = 7;  // "7: 115200"
inline constexpr const char* kFactoryIp = "192.168.1.170";
inline constexpr const char* kFactoryMask = "255.255.255.0";
inline constexpr const char* kFactoryGateway = "192.168.1.1";

// Station numbers the module accepts.
inline constexpr int kMinStation = 1;
inline constexpr int kMaxStation = 247;

// Shutdown values the tool accepts, and how many codes the two lists hold.
inline constexpr int kMinStopAddress = 0;
inline constexpr int kMaxStopAddress = 10000;
inline constexpr int kMinStopCode = 1;
inline constexpr int kMaxStopCode = 15;
inline constexpr int kCommModeCount = 6;  // codes 0..5
inline constexpr int kBaudCodeCount = 8;  // codes 0..7

}  // namespace tolvane
