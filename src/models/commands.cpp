#include "models/commands.h"

#include <string>

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "device/register_map.h"
#include "modbus/modbus_master.h"

namespace tolvane {
namespace {

ParameterBlock DecodeReply() {
  // The read test has made sure that all 26 registers are in the reply.
  const uint8_t* r = Reply();
  size_t length = ReplyLength() > 3 ? ReplyLength() - 3 : 0;
  return DecodeParameterBlock(r + 3, length);
}

int Write(const RegisterRange& range, const uint8_t* data) { return WriteRegisters(range.start, range.bytes(), data); }

// One octet in the low byte of each register, the high byte 0.
bool WriteAddress(const RegisterRange& range, const std::string& text) {
  uint8_t data[2 * kAddressOctets];
  for (int k = 1; k <= kAddressOctets; ++k) {
    data[2 * (k - 1)] = 0;
    data[2 * (k - 1) + 1] = static_cast<uint8_t>(DottedField(text, k) & 0xFF);
  }
  return Write(range, data) == 0;
}

// Station, mode code and baud rate code, one register each.
int WriteCommParameters(uint16_t station, uint8_t modeCode, uint8_t baudCode) {
  const uint8_t data[6] = {
      static_cast<uint8_t>(station >> 8), static_cast<uint8_t>(station & 0xFF), 0, modeCode, 0, baudCode};
  return Write(kCommRange, data);
}

int WriteShutdown(uint16_t stopAddress, uint16_t stopCode) {
  const uint8_t data[4] = {static_cast<uint8_t>(stopAddress >> 8), static_cast<uint8_t>(stopAddress & 0xFF),
                           static_cast<uint8_t>(stopCode >> 8), static_cast<uint8_t>(stopCode & 0xFF)};
  return Write(kShutdownRange, data);
}

// Rows 1 to 6 of the window (identity, MAC, addresses) and the five device values.
void ApplyFirstRows(MainModel& m, const ParameterBlock& b, const FormattedBlock& f) {
  m.station = b.station;
  m.modeCode = b.modeCode;
  m.baudCode = b.baudCode;
  m.stopAddress = b.stopAddress;
  m.stopCode = b.stopCode;
  m.kept[kModuleType] = f.moduleType;
  m.kept[kSoftwareVersion] = f.softwareVersion;
  m.kept[kContractVersion] = f.contractVersion;
  m.kept[kHardwareVersion] = f.hardwareVersion;
  m.kept[kMacAddress] = f.mac;
  m.kept[kIpAddress] = f.ip;
  m.kept[kSubnetMask] = f.mask;
  m.kept[kGateway] = f.gateway;
}

// Rows 7 to 10: stop values, station and the two list selections, then shown.
void ApplyLastRows(MainModel& m, const FormattedBlock& f) {
  m.kept[kStopAddress] = f.stopAddress;
  m.kept[kStopCode] = f.stopCode;
  m.kept[kStation] = f.station;
  m.SelectMode(f.modeSelection);
  m.SelectBaud(f.baudSelection);
  m.Show();
}

}  // namespace

void UploadParameters(MainModel& m) {
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  WaitCursor wait;
  if (Link().OpenPortWithMessages(m.window()) != 0) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  if (ReadRegistersReported(kBlockRegisters) != 0) return;
  const ParameterBlock b = DecodeReply();
  const FormattedBlock f = FormatParameterBlock(b);
  ApplyFirstRows(m, b, f);
  EndWaitCursor();
  ShowMessagePair(m.window(), txt::kUploadOk);
  ApplyLastRows(m, f);
}

void ReadAfterConnect(MainModel& m) {
  WaitCursor wait;
  if (ReadRegisters(kBlockRegisters) != 0) return;
  const ParameterBlock b = DecodeReply();
  const FormattedBlock f = FormatParameterBlock(b);
  ApplyFirstRows(m, b, f);
  ApplyLastRows(m, f);
}

void WriteShutdownParameters(MainModel& m) {
  m.Take();
  std::string& addr = m.kept[kStopAddress];
  std::string& code = m.kept[kStopCode];
  if (addr.empty() || code.empty()) {
    ShowMessagePair(m.window(), txt::kShutdownEmpty);
    return;
  }
  addr = StripLeadingZeros(addr);
  int a = DecimalValue(addr);
  if (a > 10000 || a < 0) {
    addr = std::to_string(m.stopAddress);
    ShowMessagePair(m.window(), txt::kStopAddrRange);
    m.RequestFocus(kStopAddress);
    m.Show();
    return;
  }
  m.stopAddress = static_cast<uint16_t>(a);
  code = StripLeadingZeros(code);
  int c = DecimalValue(code);
  if (c > 15 || c < 1) {
    code = std::to_string(m.stopCode);
    ShowMessagePair(m.window(), txt::kStopCodeRange);
    m.RequestFocus(kStopCode);
    m.Show();
    return;
  }
  m.stopCode = static_cast<uint16_t>(c);
  m.Show();
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  int r;
  {
    WaitCursor wait;
    r = WriteShutdown(m.stopAddress, m.stopCode);
  }
  ShowMessagePair(m.window(), r == 0 ? txt::kDownloadOk : txt::kCommErrorCheck);
}

void ModifyCommParameters(MainModel& m) {
  m.Take();
  m.modeCode = static_cast<uint8_t>(m.modeSelection);
  m.baudCode = static_cast<uint8_t>(m.baudSelection);
  // A station the module itself reported (register 2 read as -1, say) has never
  // passed the field check; it must not be written back.
  if (m.station < kMinStation || m.station > kMaxStation) {
    ShowMessagePair(m.window(), txt::kStationRange);
    m.RequestFocus(kStation);
    m.Show();
    return;
  }
  m.Show();
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  int r;
  {
    WaitCursor wait;
    r = WriteCommParameters(static_cast<uint16_t>(m.station), m.modeCode, m.baudCode);
  }
  // Nothing went out (the port is gone): the module keeps its station and the
  // link stays as it is. Any other failure may be the module already answering
  // at its new settings, so the request counts as sent.
  if (r == 5) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  Comm().station = static_cast<uint8_t>(m.station & 0xFF);
  ShowMessagePair(m.window(), txt::kCommParamsSent);
  ConnectedFlag().store(0);
}

void DownloadNetworkConfiguration(MainModel& m) {
  m.Take();
  m.Show();
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  if (m.kept[kIpAddress].empty() || m.kept[kSubnetMask].empty() || m.kept[kGateway].empty() ||
      m.kept[kMacAddress].empty()) {
    ShowMessagePair(m.window(), txt::kNetworkEmpty);
    return;
  }
  bool ok;
  {
    WaitCursor wait;
    ok = WriteAddress(kIpRange, m.kept[kIpAddress]) && WriteAddress(kMaskRange, m.kept[kSubnetMask]) &&
         WriteAddress(kGatewayRange, m.kept[kGateway]);
  }
  ShowMessagePair(m.window(), ok ? txt::kDownloadOk : txt::kCommErrorCheck);
}

void RestoreFactory(MainModel& m) {
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  if (AskRestoreFactoryPair(m.window()) != MsgAnswer::Yes) return;
  bool ok;
  {
    WaitCursor wait;
    ok = WriteShutdown(kFactoryStopAddress, kFactoryStopCode) == 0 && WriteAddress(kIpRange, kFactoryIp) &&
         WriteAddress(kMaskRange, kFactoryMask) && WriteAddress(kGatewayRange, kFactoryGateway);
    // The last write is sent once more when it fails.
    if (ok)
      ok = WriteCommParameters(kFactoryStation, kFactoryCommMode, kFactoryBaudCode) == 0 ||
           WriteCommParameters(kFactoryStation, kFactoryCommMode, kFactoryBaudCode) == 0;
  }
  if (!ok) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  Comm().station = kFactoryStation;
  ShowMessagePair(m.window(), txt::kRestoreSent);
  ConnectedFlag().store(0);
}

}  // namespace tolvane
