#include "device/writes.h"

#include "core/decimal.h"
#include "modbus/modbus_master.h"

namespace tolvane {
namespace {

LinkResult Write(const RegisterRange& range, const uint8_t* data) {
  return WriteRegisters(range.start, range.bytes(), data);
}

}  // namespace

ParameterBlock DecodeBlockReply() {
  const uint8_t* r = Reply();
  const size_t length = ReplyLength() > 3 ? ReplyLength() - 3 : 0;
  return DecodeParameterBlock(r + 3, length);
}

LinkResult WriteCommParameters(uint16_t station, uint8_t modeCode, uint8_t baudCode) {
  const uint8_t data[6] = {
      static_cast<uint8_t>(station >> 8), static_cast<uint8_t>(station & 0xFF), 0, modeCode, 0, baudCode};
  return Write(kCommRange, data);
}

LinkResult WriteShutdown(uint16_t stopAddress, uint16_t stopCode) {
  const uint8_t data[4] = {static_cast<uint8_t>(stopAddress >> 8), static_cast<uint8_t>(stopAddress & 0xFF),
                           static_cast<uint8_t>(stopCode >> 8), static_cast<uint8_t>(stopCode & 0xFF)};
  return Write(kShutdownRange, data);
}

LinkResult WriteAddress(const RegisterRange& range, const std::string& dotted) {
  uint8_t data[2 * kAddressOctets];
  for (int k = 1; k <= kAddressOctets; ++k) {
    data[2 * (k - 1)] = 0;
    data[2 * (k - 1) + 1] = static_cast<uint8_t>(DottedField(dotted, k) & 0xFF);
  }
  return Write(range, data);
}

LinkResult WriteNetworkConfiguration(const std::string& ip, const std::string& mask, const std::string& gateway) {
  LinkResult r = WriteAddress(kIpRange, ip);
  if (r == kLinkOk) r = WriteAddress(kMaskRange, mask);
  if (r == kLinkOk) r = WriteAddress(kGatewayRange, gateway);
  return r;
}

LinkResult WriteFactorySettings() {
  LinkResult r = WriteShutdown(kFactoryStopAddress, kFactoryStopCode);
  if (r == kLinkOk) r = WriteNetworkConfiguration(kFactoryIp, kFactoryMask, kFactoryGateway);
  if (r != kLinkOk) return r;
  r = WriteCommParameters(kFactoryStation, kFactoryCommMode, kFactoryBaudCode);
  if (r != kLinkOk) r = WriteCommParameters(kFactoryStation, kFactoryCommMode, kFactoryBaudCode);
  return r;
}

}  // namespace tolvane
