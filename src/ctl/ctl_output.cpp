#include "ctl/ctl_output.h"

#include <cstdio>

#include "core/language.h"
#include "device/identification.h"
#include "link/serial_link.h"
#include "models/module_search.h"

namespace tolvane::ctl {

std::string JsonText(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string FrameText(const CommSettings& c) {
  return FrameFormatText(ScanFormat{c.transferMode, c.dataBits, c.parity, c.stopBits});
}

std::string ParityName(uint8_t parity) {
  static const char* const names[] = {"none", "odd", "even", "mark", "space"};
  return parity < 5 ? names[parity] : std::to_string(parity);
}

namespace {
std::string Hex4(unsigned v, bool prefix) {
  char text[16];
  std::snprintf(text, sizeof text, prefix ? "0x%04X" : "%04x", v & 0xFFFFu);
  return text;
}
}  // namespace

std::string ModuleLabel(uint16_t typeCode) {
  const std::string model = ModelName(typeCode);
  return model.empty() ? PickFilled(txt::kCtlUnknownModel, {Hex4(typeCode, true)}) : model;
}

std::string ModuleAtText(uint16_t typeCode, const CommSettings& c) {
  return PickFilled(txt::kCtlModuleAt, {ModuleLabel(typeCode), c.portName, std::to_string(c.station),
                                        std::to_string(c.baud), FrameText(c)});
}

namespace {
// The model's name, or null for a type code the table does not know.
Json ModelJson(uint16_t typeCode) {
  const std::string model = ModelName(typeCode);
  return model.empty() ? Json(nullptr) : Json(model);
}
// A code with its list entry, or null for a code outside the module's table.
template <size_t N>
Json CodeJson(unsigned code, const std::array<const char*, N>& entries) {
  return Json{{"code", code}, {"text", code < N ? Json(entries[code]) : Json(nullptr)}};
}
template <size_t N>
std::string CodeText(unsigned code, const std::array<const char*, N>& entries) {
  return code < N ? std::string(entries[code]) : PickFilled(txt::kCtlCodeUnknown, {std::to_string(code)});
}
}  // namespace

Json ProbeJson(bool found, int probes, const std::string& port, int station, const CommSettings* s,
               std::optional<uint16_t> typeCode) {
  Json j{{"found", found}, {"probes", probes}, {"port", port}, {"station", station}};
  if (s) {
    j["baud"] = s->baud;
    j["framing"] = s->transferMode == 0 ? "ascii" : "rtu";
    j["data"] = s->dataBits;
    j["parity"] = ParityName(s->parity);
    j["stop"] = s->stopBits;
  } else {
    for (const char* key : {"baud", "framing", "data", "parity", "stop"}) j[key] = nullptr;
  }
  j["model"] = typeCode ? ModelJson(*typeCode) : Json(nullptr);
  return j;
}
std::string BlockText(const ParameterBlock& b) {
  const FormattedBlock f = FormatParameterBlock(b);
  const char* colon = IsChinese() ? "：" : ": ";
  const std::pair<const TextPair*, std::string> rows[] = {
      {&txt::kLblModuleType, f.moduleType},
      {&txt::kLblSwVersion, f.softwareVersion},
      {&txt::kLblContractVersion, f.contractVersion},
      {&txt::kLblHwVersion, f.hardwareVersion},
      {&txt::kLblStation, f.station},
      {&txt::kLblCommMode, CodeText(b.modeCode, CommModeEntries())},
      {&txt::kLblBaud, CodeText(b.baudCode, BaudCodeEntries())},
      {&txt::kLblStopAddr, f.stopAddress},
      {&txt::kLblStopCode, f.stopCode},
      {&txt::kLblIp, f.ip},
      {&txt::kLblMask, f.mask},
      {&txt::kLblGateway, f.gateway},
      {&txt::kLblMac, f.mac},
  };
  std::string out;
  for (const auto& [label, value] : rows) out += std::string(Pick(*label)) + colon + value + "\n";
  return out;
}

Json BlockJson(const ParameterBlock& b) {
  const FormattedBlock f = FormatParameterBlock(b);
  return Json{{"model", ModelJson(b.typeCode)},
              {"type_code", Hex4(b.typeCode, true)},
              {"software_version", f.softwareVersion},
              {"contract_version", f.contractVersion},
              {"hardware_version", f.hardwareVersion},
              {"station", b.station},
              {"comm_mode", CodeJson(b.modeCode, CommModeEntries())},
              {"baud", CodeJson(b.baudCode, BaudCodeEntries())},
              {"stop_register", b.stopAddress},
              {"stop_code", b.stopCode},
              {"ip", f.ip},
              {"mask", f.mask},
              {"gateway", f.gateway},
              {"mac", f.mac}};
}

Json OutcomeJson(bool ok, const std::string& message) { return Json{{"ok", ok}, {"message", message}}; }

std::string RangeWriteText(const RangeWrite& w) {
  std::string values;
  // Appended piece by piece: GCC 12's -Wrestrict misreads a temporary built from "" + string.
  for (int v : w.values) {
    if (!values.empty()) values += ' ';
    values += std::to_string(v);
  }
  const size_t last = w.start + (w.values.empty() ? 0 : w.values.size() - 1);
  return PickFilled(txt::kCtlWriteLine, {std::to_string(w.start), std::to_string(last), Pick(*w.name), values});
}

Json RangeWriteJson(const RangeWrite& w) {
  Json registers = Json::array();
  for (size_t i = 0; i < w.values.size(); ++i) registers.push_back(w.start + i);
  Json j{{"range", w.key}, {"registers", registers}, {"values", w.values}, {"ok", w.ok ? Json(*w.ok) : Json(nullptr)}};
  if (w.start == kCommRange.start) j["confirmed"] = w.confirmed ? Json(*w.confirmed) : Json(nullptr);
  return j;
}

}  // namespace tolvane::ctl
