#include "ctl/ctl_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <map>

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "device/register_map.h"
#include "models/module_search.h"
#include "models/writable_fields.h"

namespace tolvane::ctl {
namespace {

struct CommandName {
  const char* name;
  Command command;
};
constexpr CommandName kCommands[] = {
    {"ports", Command::kPorts},
    {"probe", Command::kProbe},
    {"scan", Command::kScan},
    {"read", Command::kRead},
    {"set-network", Command::kSetNetwork},
    {"set-shutdown", Command::kSetShutdown},
    {"set-comm", Command::kSetComm},
    {"restore-factory", Command::kRestoreFactory},
    {"save", Command::kSave},
    {"apply", Command::kApply},
};

constexpr unsigned Bit(Command c) { return 1u << static_cast<unsigned>(c); }
bool TakesFile(Command c) { return c == Command::kSave || c == Command::kApply; }

// Every option: its names, whether it takes a value, the commands it belongs to
// (a set of Bit()s; none: a connection option of every command), and whether it
// is a line setting that scan tries by itself.
struct OptionDef {
  const char* names;
  const char* shortName;  // "-p", or "" for none
  const char* longName;
  bool takesValue;
  unsigned commands = 0;
  bool searchedByScan = false;
};
// apply takes a module's own station, rate and addresses as set-comm and set-network do.
constexpr unsigned kCommOptions = Bit(Command::kSetComm) | Bit(Command::kApply);
constexpr unsigned kNetworkOptions = Bit(Command::kSetNetwork) | Bit(Command::kApply);
const OptionDef kOptionDefs[] = {
    {"-p,--port", "-p", "--port", true},
    {"-s,--station", "-s", "--station", true},
    {"-b,--baud", "-b", "--baud", true, 0, true},
    {"--framing", "", "--framing", true, 0, true},
    {"--data", "", "--data", true, 0, true},
    {"--parity", "", "--parity", true, 0, true},
    {"--stop", "", "--stop", true, 0, true},
    {"--lang", "", "--lang", true},
    {"--json", "", "--json", false},
    {"-q,--quiet", "-q", "--quiet", false},
    {"--settle", "", "--settle", false},
    {"-h,--help", "-h", "--help", false},
    {"--version", "", "--version", false},
    {"--save", "", "--save", false, Bit(Command::kScan)},
    {"--stations", "", "--stations", true, Bit(Command::kScan)},
    {"--all", "", "--all", false, Bit(Command::kScan)},
    {"--yes", "", "--yes", false, Bit(Command::kRestoreFactory)},
    {"--ip", "", "--ip", true, kNetworkOptions},
    {"--mask", "", "--mask", true, kNetworkOptions},
    {"--gateway", "", "--gateway", true, kNetworkOptions},
    {"--address", "", "--address", true, Bit(Command::kSetShutdown)},
    {"--code", "", "--code", true, Bit(Command::kSetShutdown)},
    {"--new-station", "", "--new-station", true, kCommOptions},
    {"--mode", "", "--mode", true, Bit(Command::kSetComm)},
    {"--new-baud", "", "--new-baud", true, kCommOptions},
    {"--dry-run", "", "--dry-run", false, Bit(Command::kApply)},
};

const OptionDef* ByShortName(const std::string& arg) {
  for (const OptionDef& s : kOptionDefs)
    if (*s.shortName && arg.compare(0, 2, s.shortName) == 0) return &s;
  return nullptr;
}
const OptionDef* ByLongName(const std::string& name) {
  for (const OptionDef& s : kOptionDefs)
    if (name == s.longName) return &s;
  return nullptr;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  Parsed Run() {
    std::vector<std::string> forCli = Screen();
    CLI::App app;
    app.set_help_flag();
    app.allow_extras();
    std::map<const CLI::Option*, const OptionDef*> defOf;
    std::vector<std::string> ignored(std::size(kOptionDefs));
    for (size_t i = 0; i < std::size(kOptionDefs); ++i) {
      const OptionDef& s = kOptionDefs[i];
      CLI::Option* opt = s.takesValue ? app.add_option(s.names, ignored[i])->expected(0, 1)
                                      : app.add_flag(s.names)->disable_flag_override();
      // Every repetition is kept, so that it can be refused rather than silently win.
      opt->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
      defOf[opt] = &s;
    }
    std::vector<std::string> words;
    app.add_option("words", words);
    try {
      std::reverse(forCli.begin(), forCli.end());  // CLI11 takes the line last word first
      app.parse(forCli);
    } catch (const CLI::ParseError& e) {
      // Screen() leaves nothing CLI11 refuses; should it find something, its own
      // English text never reaches the user.
      Refuse(dynamic_cast<const CLI::ArgumentMismatch*>(&e) ? txt::kCtlMissingValue : txt::kCtlUnknownOption, {});
    }

    std::map<const OptionDef*, int> seen;
    for (const CLI::Option* opt : app.parse_order()) {
      if (!defOf.count(opt)) continue;  // a word
      const OptionDef& s = *defOf.at(opt);
      if (++seen[&s] == 2) Refuse(txt::kCtlRepeatedOption, Shown(s));
      if (seen[&s] > 1) continue;
      if (s.commands) given_.push_back(&s);
      if (s.searchedByScan) lineSettings_.push_back(&s);
      if (!s.takesValue) {
        Flag(s);
      } else if (opt->results().empty() || opt->results().front().empty()) {
        Refuse(txt::kCtlMissingValue, Shown(s));
      } else {
        const std::string& v = opt->results().front();
        Value(s.longName + 2, Shown(s) + " " + v, v);
      }
    }
    for (const std::string& extra : app.remaining())
      Refuse(extra.size() > 1 && extra[0] == '-' ? txt::kCtlUnknownOption : txt::kCtlExtraArgument, extra);
    if (!words.empty()) Word(words.front());
    // save and apply name their file after the command; nothing else takes a word.
    const size_t takenWords = TakesFile(out_.options.command) ? 2 : 1;
    if (takenWords == 2 && words.size() > 1) out_.options.file = words[1];
    if (words.size() > takenWords) Refuse(txt::kCtlExtraArgument, words[takenWords]);

    Options& o = out_.options;
    // --help wins over everything else on the line, --version over all but --help.
    if (help_ || version_) {
      o.command = help_ ? Command::kHelp : Command::kVersion;
      out_.problem = {};
      return out_;
    }
    const Command c = o.command;
    if (c == Command::kNone) Refuse(txt::kCtlNoCommand, {});
    for (const OptionDef* s : given_)
      if (!(s->commands & Bit(c)) && c != Command::kNone) Refuse(txt::kCtlNotForCommand, Shown(*s));
    if (c == Command::kScan && !o.stations)
      for (const OptionDef* s : lineSettings_) Refuse(txt::kCtlScanTriesAll, Shown(*s));
    if (c == Command::kScan) RequireStationsForAll();
    RequireCommandValues();
    return out_;
  }

 private:
  void Refuse(const TextPair& text, const std::string& subject) {
    if (!out_.problem) out_.problem = {&text, subject};
  }

  // Takes out what CLI11 would read otherwise than the user meant: "-p=NAME"
  // (a port "=NAME"), "--port=" (which would take the next word as its value)
  // and "--json=..." on an option without a value.
  std::vector<std::string> Screen() {
    std::vector<std::string> kept;
    bool words = false;
    for (const std::string& a : args_) {
      if (words || a == "--") {
        words = true;
        kept.push_back(a);
        continue;
      }
      const size_t eq = a.find('=');
      const bool isLong = a.compare(0, 2, "--") == 0;
      const OptionDef* s = isLong                        ? ByLongName(a.substr(0, eq))
                           : a.size() > 1 && a[0] == '-' ? ByShortName(a)
                                                         : nullptr;
      if (s && !isLong && a.size() > 2 && a[2] == '=') {
        Refuse(txt::kCtlShortWithEquals, a);
      } else if (s && isLong && eq != std::string::npos && !s->takesValue) {
        Refuse(txt::kCtlUnknownOption, a);
      } else if (s && isLong && eq + 1 == a.size()) {
        Refuse(txt::kCtlMissingValue, s->longName);
      } else {
        kept.push_back(a);
      }
    }
    return kept;
  }

  // The option as the user wrote it first, for the message.
  std::string Shown(const OptionDef& s) const {
    for (const std::string& a : args_) {
      if (a == "--") break;
      if (a.compare(0, 2, "--") == 0) {
        if (a.substr(0, a.find('=')) == s.longName) return s.longName;
      } else if (*s.shortName && a.compare(0, 2, s.shortName) == 0) {
        return s.shortName;
      }
    }
    return s.longName;
  }

  void Word(const std::string& w) {
    for (const CommandName& c : kCommands) {
      if (w == c.name) {
        out_.options.command = c.command;
        return;
      }
    }
    Refuse(txt::kCtlUnknownCommand, w);
  }

  void Flag(const OptionDef& s) {
    Options& o = out_.options;
    const std::string name = s.longName;
    if (name == "--help")
      help_ = true;
    else if (name == "--version")
      version_ = true;
    else if (name == "--json")
      o.json = true;
    else if (name == "--quiet")
      o.quiet = true;
    else if (name == "--save")
      o.save = true;
    else if (name == "--yes")
      o.yes = true;
    else if (name == "--settle")
      o.settle = true;
    else if (name == "--dry-run")
      o.dryRun = true;
    else if (name == "--all")
      o.all = true;
  }

  // A number the window's table of writable values accepts, or a refusal with
  // that field's message.
  std::optional<int> Number(const std::string& subject, const std::string& value, WritableField field) {
    const WritableCheck c = CheckWritable(field, value);
    if (!c.wellFormed) {
      Refuse(txt::kCtlNotANumber, subject);
      return std::nullopt;
    }
    if (c.refusal) {
      Refuse(*c.refusal, subject);
      return std::nullopt;
    }
    return c.number;
  }

  // The mode is not a value the user writes: --mode only names the code the
  // module is expected to report.
  std::optional<int> ModeCode(const std::string& subject, const std::string& value) {
    const std::optional<int> n = WholeNumber(value);
    if (!n)
      Refuse(txt::kCtlNotANumber, subject);
    else if (*n < 0 || *n >= kCommModeCount)
      Refuse(txt::kCtlModeRange, subject);
    else
      return n;
    return std::nullopt;
  }

  std::optional<uint32_t> Rate(const std::string& subject, const std::string& value) {
    const std::optional<int> n = WholeNumber(value);
    if (!n || *n < 0 || BaudIndex(static_cast<uint32_t>(*n)) < 0) {
      Refuse(txt::kCtlBaudValues, subject);
      return std::nullopt;
    }
    return static_cast<uint32_t>(*n);
  }

  std::optional<std::string> Address(const std::string& subject, const std::string& value) {
    std::optional<std::string> a = DottedAddress(value);
    if (!a) Refuse(txt::kCtlAddressForm, subject);
    return a;
  }

  void Value(const std::string& name, const std::string& subject, const std::string& v) {
    Options& o = out_.options;
    auto narrow = [](std::optional<int> n) -> std::optional<uint8_t> {
      if (!n) return std::nullopt;
      return static_cast<uint8_t>(*n);
    };
    // Words as people type them: "RTU", "Even" and "EN" mean what their lower case does.
    std::string word = v;
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "port") {
      o.port = v;
    } else if (name == "station") {
      o.station = narrow(Number(subject, v, WritableField::kStation));
    } else if (name == "baud") {
      o.baud = Rate(subject, v);
    } else if (name == "framing") {
      if (word == "rtu")
        o.transferMode = 1;
      else if (word == "ascii")
        o.transferMode = 0;
      else
        Refuse(txt::kCtlFramingValues, subject);
    } else if (name == "data") {
      if (v == "7" || v == "8")
        o.dataBits = static_cast<uint8_t>(v[0] - '0');
      else
        Refuse(txt::kCtlDataValues, subject);
    } else if (name == "parity") {
      if (word == "none")
        o.parity = 0;
      else if (word == "odd")
        o.parity = 1;
      else if (word == "even")
        o.parity = 2;
      else
        Refuse(txt::kCtlParityValues, subject);
    } else if (name == "stop") {
      if (v == "1" || v == "2")
        o.stopBits = static_cast<uint8_t>(v[0] - '0');
      else
        Refuse(txt::kCtlStopValues, subject);
    } else if (name == "lang") {
      if (word == "en")
        o.language = 1;
      else if (word == "zh")
        o.language = 0;
      else
        Refuse(txt::kCtlLangValues, subject);
    } else if (name == "ip") {
      o.ip = Address(subject, v);
    } else if (name == "mask") {
      o.mask = Address(subject, v);
    } else if (name == "gateway") {
      o.gateway = Address(subject, v);
    } else if (name == "address") {
      if (auto n = Number(subject, v, WritableField::kStopAddress)) o.stopAddress = static_cast<uint16_t>(*n);
    } else if (name == "code") {
      if (auto n = Number(subject, v, WritableField::kStopCode)) o.stopCode = static_cast<uint16_t>(*n);
    } else if (name == "new-station") {
      o.newStation = narrow(Number(subject, v, WritableField::kStation));
    } else if (name == "mode") {
      o.modeCode = narrow(ModeCode(subject, v));
    } else if (name == "stations") {
      o.stations = StationRange(v);
      if (!o.stations) Refuse(txt::kCtlStationsForm, subject);
    } else if (name == "new-baud") {
      if (auto rate = Rate(subject, v)) o.baudCode = static_cast<uint8_t>(BaudIndex(*rate));
    }
  }

  // The command's own values must all be there, with the window's texts for an
  // empty field where it has one.
  void RequireCommandValues() {
    const Options& o = out_.options;
    switch (o.command) {
      case Command::kSetNetwork:
        if (!o.ip || !o.mask || !o.gateway) Refuse(txt::kNetworkEmpty, {});
        break;
      case Command::kSetShutdown:
        if (!o.stopAddress || !o.stopCode) Refuse(txt::kShutdownEmpty, {});
        break;
      case Command::kSetComm:
        if (!o.newStation) Refuse(txt::kCtlNeedsOption, "--new-station");
        if (!o.baudCode) Refuse(txt::kCtlNeedsOption, "--new-baud");
        break;
      case Command::kRestoreFactory:
        if (!o.yes) Refuse(txt::kCtlNeedsYes, {});
        break;
      case Command::kSave:
      case Command::kApply:
        if (o.file.empty()) Refuse(txt::kCtlNeedsFile, o.command == Command::kSave ? "save" : "apply");
        break;
      default:
        break;
    }
  }

  // --all finds several modules only over a range of stations; the line settings
  // given must leave something to try.
  void RequireStationsForAll() {
    const Options& o = out_.options;
    if (o.all && !o.stations) Refuse(txt::kCtlAllNeedsStations, "--all");
    if (o.stations && LinesMatching(FilterOf(o)).empty()) Refuse(txt::kCtlNoLineMatches, {});
  }

  const std::vector<std::string>& args_;
  Parsed out_;
  bool help_ = false, version_ = false;
  std::vector<const OptionDef*> given_;         // command options, in the order given
  std::vector<const OptionDef*> lineSettings_;  // line settings scan would ignore
};

}  // namespace

std::optional<int> WholeNumber(const std::string& text) {
  size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  if (i == text.size()) return std::nullopt;
  for (size_t k = i; k < text.size(); ++k)
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return std::nullopt;
  // The window's reading: leading zeros dropped, then the leading decimal value
  // (which saturates, so a huge number stays out of every range).
  return DecimalValue(text.substr(0, i) + StripLeadingZeros(text.substr(i)));
}

std::optional<std::string> DottedAddress(const std::string& text) {
  const WritableCheck c = CheckWritable(WritableField::kIpAddress, text);
  if (!c) return std::nullopt;
  return c.text;
}

int BaudIndex(uint32_t baud) {
  const auto& rates = BaudRateList();
  for (size_t i = 0; i < rates.size(); ++i)
    if (rates[i] == std::to_string(baud)) return static_cast<int>(i);
  return -1;
}

std::optional<std::pair<int, int>> StationRange(const std::string& text) {
  const size_t dash = text.find('-', 1);  // a leading sign is the number's own
  const std::optional<int> from = WholeNumber(text.substr(0, dash));
  const std::optional<int> to = dash == std::string::npos ? from : WholeNumber(text.substr(dash + 1));
  if (!from || !to || *from < kFirstStation || *to > kLastStation || *from > *to) return std::nullopt;
  return std::make_pair(*from, *to);
}

LineFilter FilterOf(const Options& o) {
  return {.baud = o.baud,
          .transferMode = o.transferMode,
          .dataBits = o.dataBits,
          .parity = o.parity,
          .stopBits = o.stopBits};
}

Parsed ParseArguments(const std::vector<std::string>& args) { return Parser(args).Run(); }

}  // namespace tolvane::ctl
