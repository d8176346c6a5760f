// What tolvanectl prints: the texts a person reads, in the chosen language, and
// the one JSON object of --json.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/comm_settings.h"
#include "core/texts.h"
#include "device/parameter_block.h"

namespace tolvane::ctl {

// The one JSON object of --json, keys in the order they are added.
using Json = nlohmann::ordered_json;
// One line of JSON; bytes that are not UTF-8 (a port name, an argument) become
// U+FFFD rather than making the whole object unreadable.
std::string JsonText(const Json& json);

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
Json ProbeJson(bool found, int probes, const std::string& port, int station, const CommSettings* settings,
               std::optional<uint16_t> typeCode);

// The parameter block as the window shows it: one "label: value" line per field,
// but a mode or baud code outside its table as "9 (unknown)", never the list
// entry that stands in for it in the window. In JSON a value the module does
// not have (a type code, mode or baud code outside the tables) is null beside
// its code.
std::string BlockText(const ParameterBlock& block);
Json BlockJson(const ParameterBlock& block);

// A write command's outcome, and any refusal, as --json gives it.
Json OutcomeJson(bool ok, const std::string& message);

// One register range a command writes: what it holds ("shutdown", "ip", ...),
// the catalogue's name for it, where it starts and the value of each register.
struct RangeWrite {
  const char* key;
  const TextPair* name;
  uint16_t start;
  std::vector<int> values;
  std::optional<bool> ok;  // none: not sent
  // The communication write only, once sent: whether a checked reply came. It
  // counts as sent without one, since the module may switch before answering.
  std::optional<bool> confirmed;
};
// "registers 5-6 (Default shutdown parameters): 8192 3".
std::string RangeWriteText(const RangeWrite& w);
// {"range": "shutdown", "registers": [5, 6], "values": [8192, 3], "ok": true}; ok is null when not sent.
// The communication range adds "confirmed" (null when not sent).
Json RangeWriteJson(const RangeWrite& w);

}  // namespace tolvane::ctl
