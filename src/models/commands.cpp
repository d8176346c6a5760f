#include "models/commands.h"

#include <string>

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "device/register_map.h"
#include "device/writes.h"
#include "modbus/modbus_master.h"
#include "models/writable_fields.h"

namespace tolvane {
namespace {

// A number field's text without leading zeros into its device value; out of
// range, the field shows the value kept before and the focus goes back to it.
bool TakeInRange(MainModel& m, Field field, WritableField rule, uint16_t& value) {
  std::string& text = m.kept[field];
  text = StripLeadingZeros(text);
  if (const TextPair* refusal = RefuseNumber(rule, DecimalValue(text))) {
    text = std::to_string(value);
    ShowMessagePair(m.window(), *refusal);
    m.RequestFocus(field);
    m.Show();
    return false;
  }
  value = static_cast<uint16_t>(DecimalValue(text));
  return true;
}

// Rows 1 to 6 of the window (identity, MAC, addresses) and the five device values.
void ApplyFirstRows(MainModel& m, const ParameterBlock& b, const FormattedBlock& f) {
  m.station = b.station;
  m.modeCode = b.modeCode;
  m.baudCode = b.baudCode;
  m.stopAddress = b.stopAddress;
  m.stopCode = b.stopCode;
  m.addressWords = b.addressWords;
  m.typeCode = b.typeCode;
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

// One device write under the wait cursor, which has ended before any message.
template <class Write>
LinkResult Busy(Write write) {
  WaitCursor wait;
  return write();
}

}  // namespace

bool RequireConnection(MainModel& m) {
  if (IsConnected()) return true;
  ShowMessagePair(m.window(), txt::kPleaseConnect);
  return false;
}

void UploadParameters(MainModel& m) {
  if (!RequireConnection(m)) return;
  WaitCursor wait;
  if (Link().OpenPortWithMessages(m.window()) != kLinkOk) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  if (ReadRegistersReported(kBlockRegisters) != kLinkOk) return;
  const ParameterBlock b = DecodeBlockReply();
  const FormattedBlock f = FormatParameterBlock(b);
  ApplyFirstRows(m, b, f);
  EndWaitCursor();
  ShowMessagePair(m.window(), txt::kUploadOk);
  ApplyLastRows(m, f);
}

LinkResult ReadAfterConnect(MainModel& m) {
  WaitCursor wait;
  const LinkResult r = ReadRegisters(kBlockRegisters);
  if (r != kLinkOk) return r;
  const ParameterBlock b = DecodeBlockReply();
  const FormattedBlock f = FormatParameterBlock(b);
  ApplyFirstRows(m, b, f);
  ApplyLastRows(m, f);
  return r;
}

void WriteShutdownParameters(MainModel& m) {
  m.Take();
  if (m.kept[kStopAddress].empty() || m.kept[kStopCode].empty()) {
    ShowMessagePair(m.window(), txt::kShutdownEmpty);
    return;
  }
  if (!TakeInRange(m, kStopAddress, WritableField::kStopAddress, m.stopAddress)) return;
  if (!TakeInRange(m, kStopCode, WritableField::kStopCode, m.stopCode)) return;
  m.Show();
  if (!RequireConnection(m)) return;
  const LinkResult r = Busy([&] { return WriteShutdown(m.stopAddress, m.stopCode); });
  ShowMessagePair(m.window(), r == kLinkOk ? txt::kDownloadOk : txt::kCommErrorCheck);
}

void ModifyCommParameters(MainModel& m) {
  m.Take();
  // A mode word the module reported beyond one byte is no mode of the list: the
  // list's first entry only stands in for it, and writing that entry would put
  // a mode into the module that nobody chose. Another entry is the user's choice.
  const bool standIn = m.modeCode > 0xFF && m.modeSelection == SelectionForCode(m.modeCode, kCommModeCount);
  if (!standIn) m.modeCode = static_cast<uint16_t>(m.modeSelection);
  m.baudCode = static_cast<uint8_t>(m.baudSelection);
  // A station the module itself reported (register 2 read as -1, say) has never
  // passed the field check; it must not be written back.
  if (const TextPair* refusal = RefuseNumber(WritableField::kStation, m.station)) {
    ShowMessagePair(m.window(), *refusal);
    m.RequestFocus(kStation);
    m.Show();
    return;
  }
  m.Show();
  if (!RequireConnection(m)) return;
  if (standIn) {
    ShowMessagePair(m.window(), FillPair(txt::kModeWordRefused, {{"code", std::to_string(m.modeCode)}}).View());
    return;
  }
  Busy([&] {
    return WriteCommParameters(static_cast<uint16_t>(m.station), static_cast<uint8_t>(m.modeCode), m.baudCode);
  });
  // No try put the request on the line (the port is gone), or the module
  // answered with a refusal: it keeps its settings and the link stays as it is.
  // Any other failure may be the module already answering at its new settings,
  // so the request counts as sent.
  const TransactionReport& write = LastTransaction();
  if (!write.sent || write.refused) {
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
  if (!RequireConnection(m)) return;
  if (m.kept[kIpAddress].empty() || m.kept[kSubnetMask].empty() || m.kept[kGateway].empty() ||
      m.kept[kMacAddress].empty()) {
    ShowMessagePair(m.window(), txt::kNetworkEmpty);
    return;
  }
  const LinkResult r =
      Busy([&] { return WriteNetworkConfiguration(m.kept[kIpAddress], m.kept[kSubnetMask], m.kept[kGateway]); });
  if (r == kLinkOk) m.addressWords = {};
  ShowMessagePair(m.window(), r == kLinkOk ? txt::kDownloadOk : txt::kCommErrorCheck);
}

void RestoreFactory(MainModel& m) {
  if (!RequireConnection(m)) return;
  if (AskRestoreFactoryPair(m.window()) != MsgAnswer::Yes) return;
  if (Busy(WriteFactorySettings) != kLinkOk) {
    ShowMessagePair(m.window(), txt::kCommErrorCheck);
    return;
  }
  Comm().station = kFactoryStation;
  ShowMessagePair(m.window(), txt::kRestoreSent);
  ConnectedFlag().store(0);
}

}  // namespace tolvane
