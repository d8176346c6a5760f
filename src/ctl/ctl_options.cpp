#include "ctl/ctl_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <map>

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "device/register_map.h"

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
};

// Every option: its names, whether it takes a value, the command it belongs to
// (kNone: a connection option of every command), and whether it is a line
// setting that scan tries by itself.
struct OptionDef {
  const char* names;
  const char* shortName;  // "-p", or "" for none
  const char* longName;
  bool takesValue;
  Command command = Command::kNone;
  bool searchedByScan = false;
};
const OptionDef kOptionDefs[] = {
    {"-p,--port", "-p", "--port", true},
    {"-s,--station", "-s", "--station", true},
    {"-b,--baud", "-b", "--baud", true, Command::kNone, true},
    {"--framing", "", "--framing", true, Command::kNone, true},
    {"--data", "", "--data", true, Command::kNone, true},
    {"--parity", "", "--parity", true, Command::kNone, true},
    {"--stop", "", "--stop", true, Command::kNone, true},
    {"--lang", "", "--lang", true},
    {"--json", "", "--json", false},
    {"-q,--quiet", "-q", "--quiet", false},
    {"-h,--help", "-h", "--help", false},
    {"--version", "", "--version", false},
    {"--save", "", "--save", false, Command::kScan},
    {"--yes", "", "--yes", false, Command::kRestoreFactory},
    {"--ip", "", "--ip", true, Command::kSetNetwork},
    {"--mask", "", "--mask", true, Command::kSetNetwork},
    {"--gateway", "", "--gateway", true, Command::kSetNetwork},
    {"--address", "", "--address", true, Command::kSetShutdown},
    {"--code", "", "--code", true, Command::kSetShutdown},
    {"--new-station", "", "--new-station", true, Command::kSetComm},
    {"--mode", "", "--mode", true, Command::kSetComm},
    {"--new-baud", "", "--new-baud", true, Command::kSetComm},
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
      if (s.command != Command::kNone) given_.push_back(&s);
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
    if (words.size() > 1) Refuse(txt::kCtlExtraArgument, words[1]);

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
      if (s->command != c && c != Command::kNone) Refuse(txt::kCtlNotForCommand, Shown(*s));
    if (c == Command::kScan)
      for (const OptionDef* s : lineSettings_) Refuse(txt::kCtlScanTriesAll, Shown(*s));
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
  }

  // A number within the field's limits, or a refusal with the field's message.
  std::optional<int> Number(const std::string& subject, const std::string& value, Field field) {
    const std::optional<int> n = WholeNumber(value);
    if (!n) {
      Refuse(txt::kCtlNotANumber, subject);
      return std::nullopt;
    }
    const FieldLimits limits = LimitsOf(field);
    if (*n < limits.lo || *n > limits.hi) {
      Refuse(*limits.outOfRange, subject);
      return std::nullopt;
    }
    return n;
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
    if (name == "port") {
      o.port = v;
    } else if (name == "station") {
      o.station = narrow(Number(subject, v, Field::kStation));
    } else if (name == "baud") {
      o.baud = Rate(subject, v);
    } else if (name == "framing") {
      if (v == "rtu" || v == "RTU")
        o.transferMode = 1;
      else if (v == "ascii" || v == "ASCII")
        o.transferMode = 0;
      else
        Refuse(txt::kCtlFramingValues, subject);
    } else if (name == "data") {
      if (v == "7" || v == "8")
        o.dataBits = static_cast<uint8_t>(v[0] - '0');
      else
        Refuse(txt::kCtlDataValues, subject);
    } else if (name == "parity") {
      if (v == "none")
        o.parity = 0;
      else if (v == "odd")
        o.parity = 1;
      else if (v == "even")
        o.parity = 2;
      else
        Refuse(txt::kCtlParityValues, subject);
    } else if (name == "stop") {
      if (v == "1" || v == "2")
        o.stopBits = static_cast<uint8_t>(v[0] - '0');
      else
        Refuse(txt::kCtlStopValues, subject);
    } else if (name == "lang") {
      if (v == "en")
        o.language = 1;
      else if (v == "zh")
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
      if (auto n = Number(subject, v, Field::kStopAddress)) o.stopAddress = static_cast<uint16_t>(*n);
    } else if (name == "code") {
      if (auto n = Number(subject, v, Field::kStopCode)) o.stopCode = static_cast<uint16_t>(*n);
    } else if (name == "new-station") {
      o.newStation = narrow(Number(subject, v, Field::kStation));
    } else if (name == "mode") {
      o.modeCode = narrow(Number(subject, v, Field::kModeCode));
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
        if (!o.newStation) Refuse(txt::kCtlMissingValue, "--new-station");
        if (!o.baudCode) Refuse(txt::kCtlMissingValue, "--new-baud");
        break;
      case Command::kRestoreFactory:
        if (!o.yes) Refuse(txt::kCtlNeedsYes, {});
        break;
      default:
        break;
    }
  }

  const std::vector<std::string>& args_;
  Parsed out_;
  bool help_ = false, version_ = false;
  std::vector<const OptionDef*> given_;         // command options, in the order given
  std::vector<const OptionDef*> lineSettings_;  // line settings scan would ignore
};

}  // namespace

FieldLimits LimitsOf(Field field) {
  switch (field) {
    case Field::kStation:
      return {kMinStation, kMaxStation, &txt::kStationRange};
    case Field::kStopAddress:
      return {kMinStopAddress, kMaxStopAddress, &txt::kStopAddrRange};
    case Field::kStopCode:
      return {kMinStopCode, kMaxStopCode, &txt::kStopCodeRange};
    case Field::kModeCode:
      return {0, kCommModeCount - 1, &txt::kCtlModeRange};
  }
  return {0, -1, &txt::kCtlNotANumber};
}

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
  std::string canonical;
  size_t start = 0;
  for (int k = 0; k < 4; ++k) {
    const size_t dot = k < 3 ? text.find('.', start) : text.size();
    if (dot == std::string::npos) return std::nullopt;
    const std::string field = text.substr(start, dot - start);
    if (field.empty() || field.size() > 3 || field[0] == '-' || field[0] == '+') return std::nullopt;
    const std::optional<int> n = WholeNumber(field);
    if (!n || *n > 255) return std::nullopt;
    if (k) canonical += '.';
    canonical += std::to_string(*n);
    start = dot + 1;
  }
  return canonical;
}

int BaudIndex(uint32_t baud) {
  const auto& rates = BaudRateList();
  for (size_t i = 0; i < rates.size(); ++i)
    if (rates[i] == std::to_string(baud)) return static_cast<int>(i);
  return -1;
}

Parsed ParseArguments(const std::vector<std::string>& args) { return Parser(args).Run(); }

}  // namespace tolvane::ctl
