#include "device/commands.h"

#include <string>

#include "app/decimal.h"
#include "connection/comm_settings.h"
#include "modbus/modbus_master.h"

namespace tolvane {
namespace {

ParameterBlock DecodeReply() {
  // The read test has made sure that all 26 registers are in the reply.
  const uint8_t* r = Reply();
  size_t length = ReplyLength() > 3 ? ReplyLength() - 3 : 0;
  return DecodeParameterBlock(r + 3, length);
}

bool WriteAddress(uint16_t reg, const std::string& text) {
  uint8_t data[8];
  for (int k = 1; k <= 4; ++k) {
    data[2 * (k - 1)] = 0;
    data[2 * (k - 1) + 1] = static_cast<uint8_t>(DottedField(text, k) & 0xFF);
  }
  return WriteRegisters(reg, sizeof data, data) == 0;
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
  const uint8_t data[4] = {static_cast<uint8_t>(m.stopAddress >> 8), static_cast<uint8_t>(m.stopAddress & 0xFF),
                           static_cast<uint8_t>(m.stopCode >> 8), static_cast<uint8_t>(m.stopCode & 0xFF)};
  int r;
  {
    WaitCursor wait;
    r = WriteRegisters(5, sizeof data, data);
  }
  ShowMessagePair(m.window(), r == 0 ? txt::kDownloadOk : txt::kCommErrorCheck);
}

void ModifyCommParameters(MainModel& m) {
  m.Take();
  m.modeCode = static_cast<uint8_t>(m.modeSelection);
  m.baudCode = static_cast<uint8_t>(m.baudSelection);
  m.Show();
  if (!IsConnected()) {
    ShowMessagePair(m.window(), txt::kPleaseConnect);
    return;
  }
  const uint16_t st = static_cast<uint16_t>(m.station);
  const uint8_t data[6] = {static_cast<uint8_t>(st >> 8), static_cast<uint8_t>(st & 0xFF), 0, m.modeCode, 0,
                           m.baudCode};
  {
    WaitCursor wait;
    WriteRegisters(2, sizeof data, data);  // the module may answer at its new settings, or not at all
  }
  Comm().station = static_cast<uint8_t>(st & 0xFF);
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
    ok = WriteAddress(12, m.kept[kIpAddress]) && WriteAddress(16, m.kept[kSubnetMask]) &&
         WriteAddress(20, m.kept[kGateway]);
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
    static const uint8_t shutdown[4] = {0x20, 0x00, 0x00, 0x03};
    static const uint8_t comm[6] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x07};
    ok = WriteRegisters(5, sizeof shutdown, shutdown) == 0 && WriteAddress(12, "192.168.1.170") &&
         WriteAddress(16, "255.255.255.0") && WriteAddress(20, "192.168.1.1");
    if (ok) ok = WriteRegisters(2, sizeof comm, comm) == 0 || WriteRegisters(2, sizeof comm, comm) == 0;
  }
  if (!ok) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  Comm().station = 1;
  ShowMessagePair(m.window(), txt::kRestoreSent);
  ConnectedFlag().store(0);
}

}  // namespace tolvane
