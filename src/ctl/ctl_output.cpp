#include "ctl/ctl_output.h"

#include <cstdio>

#include "core/language.h"
#include "device/identification.h"
#include "link/serial_link.h"

namespace tolvane::ctl {

namespace {

// Length of the well-formed UTF-8 sequence at text[at] (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the byte there starts none.
size_t Utf8Length(const std::string& text, size_t at) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = b(at);
  size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (at + n > text.size() || b(at + 1) < lo || b(at + 1) > hi) return 0;
  for (size_t i = 2; i < n; ++i)
    if (b(at + i) < 0x80 || b(at + i) > 0xBF) return 0;
  return n;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t at = 0; at < text.size();) {
    const char c = text[at];
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", u);
      out += esc;
    } else if (u >= 0x80) {
      // A port name or argument need not be UTF-8; JSON must be. A stray byte
      // becomes U+FFFD rather than making the whole object unreadable.
      const size_t n = Utf8Length(text, at);
      if (n == 0) {
        out += "\\ufffd";
        ++at;
        continue;
      }
      out.append(text, at, n);
      at += n;
      continue;
    } else {
      out += c;
    }
    ++at;
  }
  return out + "\"";
}

JsonObject& JsonObject::Raw(const std::string& key, std::string json) {
  members_.emplace_back(key, std::move(json));
  return *this;
}
JsonObject& JsonObject::Str(const std::string& key, const std::string& value) { return Raw(key, JsonString(value)); }
JsonObject& JsonObject::Num(const std::string& key, long long value) { return Raw(key, std::to_string(value)); }
JsonObject& JsonObject::Bool(const std::string& key, bool value) { return Raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::Null(const std::string& key) { return Raw(key, "null"); }
JsonObject& JsonObject::Obj(const std::string& key, const JsonObject& value) { return Raw(key, value.Text()); }
JsonObject& JsonObject::Arr(const std::string& key, const std::vector<JsonObject>& values) {
  std::string json = "[";
  for (size_t i = 0; i < values.size(); ++i) json += (i ? ", " : "") + values[i].Text();
  return Raw(key, json + "]");
}

std::string JsonObject::Text() const {
  std::string out = "{";
  for (size_t i = 0; i < members_.size(); ++i)
    out += (i ? ", " : "") + JsonString(members_[i].first) + ": " + members_[i].second;
  return out + "}";
}

std::string FrameText(const CommSettings& c) {
  const char letter = ParityLetter(c.parity);
  std::string text = c.transferMode == 0 ? "ASCII " : "RTU ";
  text += std::to_string(c.dataBits);
  text += letter ? letter : '?';
  return text + std::to_string(c.stopBits);
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

JsonObject ProbeJson(bool found, int probes, const std::string& port, int station, const CommSettings* s,
                     std::optional<uint16_t> typeCode) {
  JsonObject j;
  j.Bool("found", found).Num("probes", probes).Str("port", port).Num("station", station);
  if (s) {
    j.Num("baud", s->baud)
        .Str("framing", s->transferMode == 0 ? "ascii" : "rtu")
        .Num("data", s->dataBits)
        .Str("parity", ParityName(s->parity))
        .Num("stop", s->stopBits);
  } else {
    j.Null("baud").Null("framing").Null("data").Null("parity").Null("stop");
  }
  if (typeCode)
    j.Str("model", ModelName(*typeCode));
  else
    j.Null("model");
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
      {&txt::kLblCommMode, CommModeEntries()[f.modeSelection]},
      {&txt::kLblBaud, BaudCodeEntries()[f.baudSelection]},
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

JsonObject BlockJson(const ParameterBlock& b) {
  const FormattedBlock f = FormatParameterBlock(b);
  JsonObject mode, baud;
  mode.Num("code", b.modeCode).Str("text", CommModeEntries()[f.modeSelection]);
  baud.Num("code", b.baudCode).Str("text", BaudCodeEntries()[f.baudSelection]);
  JsonObject j;
  j.Str("model", f.moduleType)
      .Str("type_code", Hex4(b.typeCode, true))
      .Str("software_version", f.softwareVersion)
      .Str("contract_version", f.contractVersion)
      .Str("hardware_version", f.hardwareVersion)
      .Num("station", b.station)
      .Obj("comm_mode", mode)
      .Obj("baud", baud)
      .Num("stop_register", b.stopAddress)
      .Num("stop_code", b.stopCode)
      .Str("ip", f.ip)
      .Str("mask", f.mask)
      .Str("gateway", f.gateway)
      .Str("mac", f.mac);
  return j;
}

JsonObject OutcomeJson(bool ok, const std::string& message) {
  JsonObject j;
  j.Bool("ok", ok).Str("message", message);
  return j;
}

}  // namespace tolvane::ctl
