// The coupler's 26 holding registers from address 0, decoded and formatted.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/register_map.h"

namespace tolvane {

struct ParameterBlock {
  uint16_t typeCode = 0;
  uint16_t softwareVersion = 0;
  int16_t station = 0;
  // The mode register's whole word: a high byte makes it a code outside the
  // table rather than the mode its low byte would name.
  uint16_t modeCode = 0;
  uint8_t baudCode = 0;
  uint16_t stopAddress = 0;
  uint16_t stopCode = 0;
  std::array<uint8_t, kMacBytes> mac{};
  std::array<uint8_t, kAddressOctets> ip{};
  std::array<uint8_t, kAddressOctets> mask{};
  std::array<uint8_t, kAddressOctets> gateway{};
  // The whole words of the address registers, from the IP address's first on:
  // the octets above keep only the low bytes, and a word beyond one would be
  // passed on as another address.
  std::array<uint16_t, kAddressRegisters> addressWords{};
  uint16_t contractVersion = 0;
  uint16_t hardwareVersion = 0;
};

struct FormattedBlock {
  std::string moduleType, softwareVersion, contractVersion, hardwareVersion, mac;
  std::string ip, mask, gateway;
  std::string stopAddress, stopCode, station;
  int modeSelection = 0;
  int baudSelection = 0;
};

// data: the reply's data area; registers beyond `length` bytes read as 0.
ParameterBlock DecodeParameterBlock(const uint8_t* data, size_t length);
FormattedBlock FormatParameterBlock(const ParameterBlock& block);

const std::array<const char*, 6>& CommModeEntries();
const std::array<const char*, 8>& BaudCodeEntries();
// The entry for a code: the code itself when it lies in the list, else the first.
int SelectionForCode(int code, int listSize);

}  // namespace tolvane
