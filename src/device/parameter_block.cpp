#include "device/parameter_block.h"

#include <cstdio>

#include "device/identification.h"

namespace tolvane {

ParameterBlock DecodeParameterBlock(const uint8_t* data, size_t length) {
  auto byte = [&](size_t i) -> uint8_t { return i < length ? data[i] : 0; };
  auto word = [&](size_t i) -> uint16_t { return static_cast<uint16_t>(byte(i) << 8 | byte(i + 1)); };
  ParameterBlock b;
  b.typeCode = word(0);
  b.softwareVersion = word(2);
  b.station = static_cast<int16_t>(word(4));
  b.modeCode = byte(7);
  b.baudCode = byte(9);
  b.stopAddress = word(10);
  b.stopCode = word(12);
  for (size_t i = 0; i < 6; ++i) b.mac[i] = byte(16 + i);
  for (size_t i = 0; i < 4; ++i) {
    b.ip[i] = byte(25 + 2 * i);
    b.mask[i] = byte(33 + 2 * i);
    b.gateway[i] = byte(41 + 2 * i);
  }
  b.contractVersion = word(48);
  b.hardwareVersion = word(50);
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
