// What tolvanectl prints: the texts a person reads, in the chosen language, and
// the one JSON object of --json.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/comm_settings.h"
#include "core/texts.h"
#include "device/parameter_block.h"

namespace tolvane::ctl {

// A catalogue text in the current language with each "{}" replaced by the next value.

// One JSON object, keys in the order they are added.
class JsonObject {
 public:
  JsonObject& Str(const std::string& key, const std::string& value);
  JsonObject& Num(const std::string& key, long long value);
  JsonObject& Bool(const std::string& key, bool value);
  JsonObject& Null(const std::string& key);
  JsonObject& Obj(const std::string& key, const JsonObject& value);
  JsonObject& Arr(const std::string& key, const std::vector<JsonObject>& values);
  std::string Text() const;

 private:
  JsonObject& Raw(const std::string& key, std::string json);
  std::vector<std::pair<std::string, std::string>> members_;
};
std::string JsonString(const std::string& text);

// "RTU 8N2", "ASCII 7E1".
std::string FrameText(const CommSettings& c);
std::string ParityName(uint8_t parity);  // "none", "odd", "even" (else "mark", "space")

// The module a probe found: its model, or what its type code is when the table
// does not know it.
std::string ModuleLabel(uint16_t typeCode);
// "KX-130 at ttyUSB0, station 7, 19200 baud, ASCII 7E1".
std::string ModuleAtText(uint16_t typeCode, const CommSettings& c);

// The result of a probe or a search. `found` settings are given, or none when the
// search tried all 48 combinations in vain.
JsonObject ProbeJson(bool found, int probes, const std::string& port, int station, const CommSettings* settings,
                     std::optional<uint16_t> typeCode);

// The parameter block as the window shows it: one "label: value" line per field.
std::string BlockText(const ParameterBlock& block);
JsonObject BlockJson(const ParameterBlock& block);

// A write command's outcome, and any refusal, as --json gives it.
JsonObject OutcomeJson(bool ok, const std::string& message);

}  // namespace tolvane::ctl
