#include "device/parameter_block.h"

#include <cstdio>

#include "device/identification.h"

namespace tolvane {

ParameterBlock DecodeParameterBlock(const uint8_t* data, size_t length) {
  auto byte = [&](size_t i) -> uint8_t { return i < length ? data[i] : 0; };
  auto high = [&](Register r) { return byte(2 * static_cast<size_t>(r)); };
  auto low = [&](Register r) { return byte(2 * static_cast<size_t>(r) + 1); };
  auto word = [&](Register r) -> uint16_t { return static_cast<uint16_t>(high(r) << 8 | low(r)); };
  // One octet in the low byte of each register of an address.
  auto octets = [&](Register first, std::array<uint8_t, kAddressOctets>& out) {
    for (int i = 0; i < kAddressOctets; ++i) out[i] = low(static_cast<Register>(first + i));
  };
  ParameterBlock b;
  b.typeCode = word(kRegTypeCode);
  b.softwareVersion = word(kRegSoftwareVersion);
  b.station = static_cast<int16_t>(word(kRegStation));
  b.modeCode = word(kRegCommMode);
  b.baudCode = low(kRegBaudCode);
  b.stopAddress = word(kRegStopAddress);
  b.stopCode = word(kRegStopCode);
  for (int i = 0; i < kMacBytes; ++i) b.mac[i] = byte(2 * kRegMac + static_cast<size_t>(i));
  octets(kRegIpAddress, b.ip);
  octets(kRegSubnetMask, b.mask);
  octets(kRegGateway, b.gateway);
  for (int i = 0; i < kAddressRegisters; ++i) b.addressWords[i] = word(static_cast<Register>(kRegIpAddress + i));
  b.contractVersion = word(kRegContractVersion);
  b.hardwareVersion = word(kRegHardwareVersion);
  return b;
}

namespace {
std::string Format(const char* fmt, auto... args) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}
std::string Dotted(const std::array<uint8_t, 4>& a) { return Format("%d.%d.%d.%d", a[0], a[1], a[2], a[3]); }
}  // namespace

FormattedBlock FormatParameterBlock(const ParameterBlock& b) {
  FormattedBlock f;
  f.moduleType = ModelName(b.typeCode);
  f.softwareVersion = Format("%04x", b.softwareVersion);
  f.contractVersion = Format("%04x", b.contractVersion);
  f.hardwareVersion = Format("%04x", b.hardwareVersion);
  f.mac = Format("%02X-%02X-%02X-%02X-%02X-%02X", b.mac[0], b.mac[1], b.mac[2], b.mac[3], b.mac[4], b.mac[5]);
  f.ip = Dotted(b.ip);
  f.mask = Dotted(b.mask);
  f.gateway = Dotted(b.gateway);
  f.stopAddress = Format("%d", b.stopAddress);
  f.stopCode = Format("%d", b.stopCode);
  f.station = Format("%d", b.station);
  f.modeSelection = SelectionForCode(b.modeCode, 6);
  f.baudSelection = SelectionForCode(b.baudCode, 8);
  return f;
}

const std::array<const char*, 6>& CommModeEntries() {
  static const std::array<const char*, 6> e{"0: RTU,8,N,2",   "1: RTU,8,O,1",   "2: RTU,8,E,1",
                                            "3: ASCII,7,N,2", "4: ASCII,7,O,1", "5: ASCII,7,E,1"};
  return e;
}
const std::array<const char*, 8>& BaudCodeEntries() {
  static const std::array<const char*, 8> e{"0: 1200",  "1: 2400",  "2: 4800",  "3: 9600",
                                            "4: 19200", "5: 38400", "6: 57600", "7: 115200"};
  return e;
}
int SelectionForCode(int code, int listSize) { return code >= 0 && code < listSize ? code : 0; }

}  // namespace tolvane
