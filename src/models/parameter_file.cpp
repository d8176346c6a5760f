#include "models/parameter_file.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <map>

#include "core/decimal.h"
#include "core/ini_text.h"
#include "core/message_rule.h"
#include "device/parameter_block.h"
#include "device/register_map.h"
#include "models/commands.h"
#include "models/writable_fields.h"

namespace tolvane {
namespace {

const char* const kSecTool = "Tolvane";
const char* const kSecModule = "Module";
const char* const kSecComm = "Communication";
const char* const kSecShutdown = "Shutdown";
const char* const kSecNetwork = "Network";

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// A value on one line, whatever the window held.
std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

// A whole decimal number within [lo, hi]: digits only, leading zeros allowed.
std::optional<int> WholeNumber(const std::string& v, int lo, int hi) {
  if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const std::string digits = StripLeadingZeros(v);
  if (digits.size() > 9) return std::nullopt;
  const int n = DecimalValue(digits);
  if (n < lo || n > hi) return std::nullopt;
  return n;
}

// What a value in a message may show of itself: a short, printable prefix.
std::string Shown(const std::string& v) {
  constexpr std::size_t kMax = 32;
  std::string s = v.size() <= kMax ? v : v.substr(0, kMax);
  if (v.size() > kMax) {
    while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80) s.pop_back();
    if (!s.empty() && static_cast<unsigned char>(s.back()) >= 0xC0) s.pop_back();  // a cut lead byte
    s += "…";
  }
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

struct Entry {
  std::string value;  // of the first occurrence
  int count = 0;
};

// The entries of a parameter file, by the rules every INI file of ours is read by.
struct Parsed {
  std::map<std::pair<std::string, std::string>, Entry> entries;  // (section, key), lower case
  bool lastLineCut = false;
  const Entry* Find(const char* section, const char* key) const {
    auto it = entries.find({Lower(section), Lower(key)});
    return it == entries.end() ? nullptr : &it->second;
  }
};

Parsed Parse(const std::string& text) {
  Parsed p;
  const ini::IniLayout layout = ini::ParseIni(text);
  p.lastLineCut = layout.lastLineCut;
  for (const ini::IniLine& l : layout.lines) {
    if (l.kind != ini::IniLine::Kind::kEntry) continue;
    Entry& e = p.entries[{Lower(std::string(l.section)), Lower(std::string(l.name))}];
    if (e.count++ == 0) e.value = l.Value(text);
  }
  return p;
}

// Each "{name}" in s; the inserted text is not searched again.

std::string KeyName(const char* section, const char* key) { return std::string("[") + section + "] " + key; }

std::string Hex4(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFF);
  return buf;
}

// The writable keys in file order, each with the field whose rule it follows
// and where its value goes: a number or an address text.
struct WritableKey {
  const char* section;
  const char* key;
  WritableField field;
  int ModuleParameters::*number;
  std::string ModuleParameters::*address;
};
using P = ModuleParameters;
using F = WritableField;
const std::array<WritableKey, 7> kWritable{{
    {kSecComm, "Station", F::kStation, &P::station, nullptr},
    {kSecComm, "BaudRateCode", F::kBaudCode, &P::baudCode, nullptr},
    {kSecShutdown, "StopRegisterAddress", F::kStopAddress, &P::stopAddress, nullptr},
    {kSecShutdown, "StopOperationCode", F::kStopCode, &P::stopCode, nullptr},
    {kSecNetwork, "IPAddress", F::kIpAddress, nullptr, &P::ip},
    {kSecNetwork, "SubnetMask", F::kSubnetMask, nullptr, &P::mask},
    {kSecNetwork, "Gateway", F::kGateway, nullptr, &P::gateway},
}};

// Takes one writable value into p; false when it breaks its rule.
bool Take(const WritableKey& k, const std::string& v, ModuleParameters* p) {
  const WritableCheck c = CheckWritable(k.field, v);
  if (!c) return false;
  if (k.address)
    p->*k.address = c.text;
  else
    p->*k.number = c.number;
  return true;
}

ParameterFileReading Refused(FilledPair problem) { return {std::nullopt, std::move(problem)}; }
ParameterFileReading Refused(const TextPair& problem) { return Refused(FillPair(problem, {})); }

// The octets a network download would send for this text.
std::string SentAddress(const std::string& text) {
  std::string out;
  for (int k = 1; k <= kAddressOctets; ++k) {
    if (k > 1) out += '.';
    out += std::to_string(DottedField(text, k) & 0xFF);
  }
  return out;
}

void Refuse(MainModel& m, const TextPair& message, std::optional<Field> focus) {
  ShowMessagePair(m.window(), message);
  if (focus) m.RequestFocus(*focus);
}

}  // namespace

std::string ParameterFileText(const ModuleParameters& v, const ParameterFileStamp& stamp) {
  const auto mode = static_cast<std::size_t>(SelectionForCode(v.modeCode, kCommModeCount));
  const auto baud = static_cast<std::size_t>(SelectionForCode(v.baudCode, kBaudCodeCount));
  std::string t;
  auto line = [&t](const std::string& s) { t += s + "\n"; };
  auto key = [&line](const char* k, const std::string& value) { line(k + std::string("=") + OneLine(value)); };
  line("; Tolvane parameters of one module. Setting > Load Parameters... puts the");
  line("; writable values into the window; the download buttons send them.");
  line(std::string("[") + kSecTool + "]");
  key("Format", std::to_string(kParameterFileFormat));
  key("Version", stamp.version);
  key("Saved", stamp.saved);
  line("");
  line(std::string("[") + kSecModule + "]");
  key("Model", v.model);
  key("TypeCode", v.typeCode);
  key("SoftwareVersion", v.softwareVersion);
  key("ContractVersion", v.contractVersion);
  key("HardwareVersion", v.hardwareVersion);
  line("");
  line(std::string("[") + kSecComm + "]");
  key("Station", std::to_string(v.station));
  line(std::string("; ") + CommModeEntries()[mode]);
  key("ModeCode", std::to_string(v.modeCode));
  line(std::string("; ") + BaudCodeEntries()[baud]);
  key("BaudRateCode", std::to_string(v.baudCode));
  line("");
  line(std::string("[") + kSecShutdown + "]");
  key("StopRegisterAddress", std::to_string(v.stopAddress));
  key("StopOperationCode", std::to_string(v.stopCode));
  line("");
  line(std::string("[") + kSecNetwork + "]");
  key("MACAddress", v.mac);
  key("IPAddress", v.ip);
  key("SubnetMask", v.mask);
  key("Gateway", v.gateway);
  return t;
}

ParameterFileReading ReadParameterFile(const std::string& bytes) {
  if (bytes.size() > kMaxParameterFileBytes) return Refused(txt::kParamTooLarge);
  const std::optional<ini::DecodedText> decoded = ini::DecodeText(bytes);
  // NUL is in no text of ours (UTF-16 has its own once decoded).
  if (!decoded || decoded->text.find('\0') != std::string::npos) return Refused(txt::kParamNotText);
  const Parsed p = Parse(decoded->text);

  const Entry* format = p.Find(kSecTool, "Format");
  if (!format) return Refused(txt::kParamNotOurs);
  if (format->count > 1) return Refused(FillPair(txt::kParamTwice, {{"key", KeyName(kSecTool, "Format")}}));
  // Any whole number is a format, however far ahead of ours; anything else is none.
  const std::string digits = StripLeadingZeros(format->value);
  if (digits.empty() || digits == "0" || digits.find_first_not_of("0123456789") != std::string::npos)
    return Refused(FillPair(txt::kParamBadFormat, {{"value", Shown(format->value)}}));
  if (digits != std::to_string(kParameterFileFormat))
    return Refused(
        FillPair(txt::kParamNewer, {{"format", Shown(digits)}, {"supported", std::to_string(kParameterFileFormat)}}));
  if (p.lastLineCut) return Refused(txt::kParamCutOff);

  ModuleParameters values;
  for (const WritableKey& k : kWritable) {
    const std::string name = KeyName(k.section, k.key);
    const Entry* e = p.Find(k.section, k.key);
    if (!e) return Refused(FillPair(txt::kParamMissing, {{"key", name}}));
    if (e->count > 1) return Refused(FillPair(txt::kParamTwice, {{"key", name}}));
    if (!Take(k, e->value, &values)) {
      // One pass over each text: the file's own text cannot bring in a slot of its own.
      const std::string shown = Shown(e->value);
      const TextPair& rule = *RuleFor(k.field).rule;
      const FilledPair zh = FillPair(txt::kParamBadValue, {{"key", name}, {"value", shown}, {"rule", rule.zh}});
      const FilledPair en = FillPair(txt::kParamBadValue, {{"key", name}, {"value", shown}, {"rule", rule.en}});
      return Refused(FilledPair{zh.zh, en.en});
    }
  }
  // The mode the saved module talked with: told, never loaded.
  const Entry* mode = p.Find(kSecComm, "ModeCode");
  const std::optional<int> modeCode = mode ? WholeNumber(mode->value, 0, kCommModeCount - 1) : std::nullopt;
  values.modeCode = modeCode.value_or(-1);
  auto identity = [&p](const char* section, const char* key) {
    const Entry* e = p.Find(section, key);
    return e ? e->value : std::string();
  };
  values.model = identity(kSecModule, "Model");
  values.typeCode = identity(kSecModule, "TypeCode");
  values.softwareVersion = identity(kSecModule, "SoftwareVersion");
  values.contractVersion = identity(kSecModule, "ContractVersion");
  values.hardwareVersion = identity(kSecModule, "HardwareVersion");
  values.mac = identity(kSecNetwork, "MACAddress");
  return {values, {}};
}

std::optional<ModuleParameters> CollectParameters(MainModel& m) {
  m.Take();
  ModuleParameters v;
  v.model = m.kept[kModuleType];
  v.typeCode = m.typeCode < 0 ? std::string() : Hex4(m.typeCode);
  v.softwareVersion = m.kept[kSoftwareVersion];
  v.contractVersion = m.kept[kContractVersion];
  v.hardwareVersion = m.kept[kHardwareVersion];
  v.mac = m.kept[kMacAddress];

  // The station as the field check reads it: an empty field stands for the current value.
  const std::string& station = m.kept[kStation];
  v.station = station.empty() ? m.station : DecimalValue(StripLeadingZeros(station));
  if (const TextPair* refusal = RefuseNumber(F::kStation, v.station)) {
    Refuse(m, *refusal, kStation);
    return std::nullopt;
  }
  // A file holds only what the module reported: a code outside its table has
  // no entry, and the list's first entry only stands in for it.
  const struct {
    Register reg;
    const TextPair& label;
    int code, count;
  } codes[] = {{kRegCommMode, txt::kLblCommMode, m.modeCode, kCommModeCount},
               {kRegBaudCode, txt::kLblBaud, m.baudCode, kBaudCodeCount}};
  for (const auto& c : codes) {
    if (c.code < c.count) continue;
    const auto fill = [&c](const char* name) {
      return FillPair(txt::kCodeOutsideTable,
                      {{"register", std::to_string(c.reg)}, {"name", name}, {"code", std::to_string(c.code)}});
    };
    Refuse(m, FilledPair{fill(c.label.zh).zh, fill(c.label.en).en}.View(), std::nullopt);
    return std::nullopt;
  }
  // Nor an address octet the module did not report: the low byte of a wider word is another address.
  for (int i = 0; i < kAddressRegisters; ++i) {
    if (m.addressWords[i] <= 0xFF) continue;
    const TextPair& label = *std::array{&txt::kLblIp, &txt::kLblMask, &txt::kLblGateway}[i / kAddressOctets];
    const auto fill = [&](const char* name) {
      return FillPair(txt::kAddressNotOctet, {{"register", std::to_string(kRegIpAddress + i)},
                                              {"name", name},
                                              {"word", std::to_string(m.addressWords[i])}});
    };
    Refuse(m, FilledPair{fill(label.zh).zh, fill(label.en).en}.View(), std::nullopt);
    return std::nullopt;
  }
  v.modeCode = m.modeSelection;
  v.baudCode = m.baudSelection;

  // The shutdown values as their download checks them.
  if (m.kept[kStopAddress].empty() || m.kept[kStopCode].empty()) {
    Refuse(m, txt::kShutdownEmpty, std::nullopt);
    return std::nullopt;
  }
  v.stopAddress = DecimalValue(StripLeadingZeros(m.kept[kStopAddress]));
  if (const TextPair* refusal = RefuseNumber(F::kStopAddress, v.stopAddress)) {
    Refuse(m, *refusal, kStopAddress);
    return std::nullopt;
  }
  v.stopCode = DecimalValue(StripLeadingZeros(m.kept[kStopCode]));
  if (const TextPair* refusal = RefuseNumber(F::kStopCode, v.stopCode)) {
    Refuse(m, *refusal, kStopCode);
    return std::nullopt;
  }

  // The addresses as the network download would send them.
  if (m.kept[kIpAddress].empty() || m.kept[kSubnetMask].empty() || m.kept[kGateway].empty()) {
    Refuse(m, txt::kNetworkEmpty, std::nullopt);
    return std::nullopt;
  }
  v.ip = SentAddress(m.kept[kIpAddress]);
  v.mask = SentAddress(m.kept[kSubnetMask]);
  v.gateway = SentAddress(m.kept[kGateway]);
  return v;
}

bool LoadParameters(MainModel& m, const std::string& text) {
  // Loaded values wait in the window for a download; without a connection the
  // read that follows a Link would write over them unseen.
  if (!RequireConnection(m)) return false;
  const ParameterFileReading r = ReadParameterFile(text);
  if (!r.values) {
    ShowMessagePair(m.window(), r.problem.View());
    return false;
  }
  const ModuleParameters& v = *r.values;
  m.Take();
  // The values the field check and the list would have produced, so that the
  // download buttons send exactly what the fields show. The communication mode
  // stays the module's: the window offers no way to change it.
  m.station = static_cast<int16_t>(v.station);
  m.baudCode = static_cast<uint8_t>(v.baudCode);
  m.stopAddress = static_cast<uint16_t>(v.stopAddress);
  m.stopCode = static_cast<uint16_t>(v.stopCode);
  m.kept[kStation] = std::to_string(v.station);
  m.kept[kStopAddress] = std::to_string(v.stopAddress);
  m.kept[kStopCode] = std::to_string(v.stopCode);
  m.kept[kIpAddress] = v.ip;
  m.kept[kSubnetMask] = v.mask;
  m.kept[kGateway] = v.gateway;
  m.baudSelection = v.baudCode;
  m.Show();
  if (v.modeCode >= 0 && v.modeCode != m.modeCode) {
    const auto entry = [](int code) {
      return std::string(CommModeEntries()[static_cast<std::size_t>(SelectionForCode(code, kCommModeCount))]);
    };
    const FilledPair note =
        FillPair(txt::kParamLoadedModeKept, {{"file", entry(v.modeCode)}, {"module", entry(m.modeCode)}});
    ShowMessagePair(m.window(), note.View());
  } else {
    ShowMessagePair(m.window(), txt::kParamLoaded);
  }
  return true;
}

std::string ProposedParameterFileName(const ModuleParameters& v) {
  std::string model;
  for (char c : v.model)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_') model += c;
  return (model.empty() ? std::string("module") : model) + "_station" + std::to_string(v.station) + ".ini";
}

std::string WithParameterSuffix(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.find('.', name) == std::string::npos ? path + ".ini" : path;
}

std::string SavedStamp(int64_t epochSeconds) {
  const std::time_t t = static_cast<std::time_t>(epochSeconds);
  std::tm local{}, utc{};
  localtime_r(&t, &local);
  gmtime_r(&t, &utc);
  // The offset from the two broken-down times: the C library's own "%z" is not
  // the same on every system. They lie at most a day apart.
  int days = local.tm_yday - utc.tm_yday;
  if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
  const int offset =
      ((days * 24 + local.tm_hour - utc.tm_hour) * 60 + local.tm_min - utc.tm_min) * 60 + local.tm_sec - utc.tm_sec;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  std::string out = text;
  if (offset == 0) return out + "Z";
  const int minutes = (offset < 0 ? -offset : offset) / 60;
  std::snprintf(text, sizeof text, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return out + text;
}

FilledPair ParameterSaveFailure(WriteProblem problem, const std::string& path) {
  const TextPair* text = &txt::kParamSaveFailed;
  switch (problem) {
    case WriteProblem::kNoFolder:
      text = &txt::kParamSaveNoFolder;
      break;
    case WriteProblem::kNoPermission:
      text = &txt::kParamSaveNoPermission;
      break;
    case WriteProblem::kDiskFull:
      text = &txt::kParamSaveDiskFull;
      break;
    case WriteProblem::kTooLarge:
      text = &txt::kParamSaveTooLarge;
      break;
    case WriteProblem::kNotAFile:
      text = &txt::kParamSaveNotAFile;
      break;
    default:
      break;
  }
  return FillPair(*text, {{"path", path}});
}

std::string SaveParameterFile(MainModel& m, const ModuleParameters& values, const std::string& chosen,
                              const ParameterFileStamp& stamp, const ParameterFileAccess& files) {
  const std::string path = WithParameterSuffix(chosen);
  if (files.exists(path)) {
    const FilledPair question = FillPair(txt::kParamOverwrite, {{"path", path}});
    if (AskYesNoPair(m.window(), question.View()) != MsgAnswer::Yes) return {};
  }
  if (const WriteProblem problem = files.replace(path, ParameterFileText(values, stamp));
      problem != WriteProblem::kNone) {
    ShowMessagePair(m.window(), ParameterSaveFailure(problem, path).View());
    return {};
  }
  ShowMessagePair(m.window(), txt::kParamSaved);
  return path;
}

bool LoadParameterFile(MainModel& m, const std::string& path, const ParameterFileAccess& files) {
  bool tooLarge = false;
  const std::optional<std::string> bytes = files.read(path, &tooLarge);
  if (!bytes) {
    ShowMessagePair(m.window(), tooLarge ? txt::kParamTooLarge : txt::kParamUnreadable);
    return false;
  }
  return LoadParameters(m, *bytes);
}

}  // namespace tolvane
