#include "ctl/ctl_options.h"

#include <array>
#include <cctype>

#include "core/comm_settings.h"
#include "core/decimal.h"
#include "device/register_map.h"

namespace tolvane::ctl {
namespace {

// The window's limits for the shutdown parameters and the module's mode codes.
constexpr int kMaxStopAddress = 10000;
constexpr int kMinStopCode = 1;
constexpr int kMaxStopCode = 15;
constexpr int kModeCodes = 6;

struct CommandName {
  const char* name;
  Command command;
};
constexpr std::array<CommandName, 8> kCommands{{
    {"ports", Command::kPorts},
    {"probe", Command::kProbe},
    {"scan", Command::kScan},
    {"read", Command::kRead},
    {"set-network", Command::kSetNetwork},
    {"set-shutdown", Command::kSetShutdown},
    {"set-comm", Command::kSetComm},
    {"restore-factory", Command::kRestoreFactory},
}};

// The options that belong to one command.
struct CommandOption {
  const char* name;
  Command command;
};
constexpr std::array<CommandOption, 10> kCommandOptions{{
    {"save", Command::kScan},
    {"yes", Command::kRestoreFactory},
    {"ip", Command::kSetNetwork},
    {"mask", Command::kSetNetwork},
    {"gateway", Command::kSetNetwork},
    {"address", Command::kSetShutdown},
    {"code", Command::kSetShutdown},
    {"new-station", Command::kSetComm},
    {"mode", Command::kSetComm},
    {"new-baud", Command::kSetComm},
}};

const char* const kValueOptions[] = {"port",        "station", "baud",     "framing", "data",    "parity",
                                     "stop",        "lang",    "ip",       "mask",    "gateway", "address",
                                     "new-station", "mode",    "new-baud", "code"};

bool TakesValue(const std::string& name) {
  for (const char* v : kValueOptions)
    if (name == v) return true;
  return false;
}

std::string LongName(char shortName) {
  switch (shortName) {
    case 'p':
      return "port";
    case 's':
      return "station";
    case 'b':
      return "baud";
    case 'q':
      return "quiet";
    case 'h':
      return "help";
    default:
      return {};
  }
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  Parsed Run() {
    bool onlyWords = false;  // after "--" everything is a word
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& a = args_[i_];
      if (!onlyWords && a == "--") {
        onlyWords = true;
      } else if (!onlyWords && a.size() > 2 && a.compare(0, 2, "--") == 0) {
        const size_t eq = a.find('=');
        const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        std::optional<std::string> inlineValue;
        if (eq != std::string::npos) inlineValue = a.substr(eq + 1);
        Option(name, "--" + name, inlineValue);
      } else if (!onlyWords && a.size() > 1 && a[0] == '-') {
        const std::string name = LongName(a[1]);
        std::optional<std::string> inlineValue;
        if (a.size() > 2) inlineValue = a.substr(2);
        if (name.empty() || (inlineValue && !TakesValue(name)))
          Refuse(txt::kCtlUnknownOption, a);
        else
          Option(name, a.substr(0, 2), inlineValue);
      } else {
        Word(a);
      }
    }
    const Command c = out_.options.command;
    if (c == Command::kHelp || c == Command::kVersion) {
      out_.problem = {};
      return out_;
    }
    for (const auto& [name, owner] : given_)
      if (owner != c && c != Command::kNone) Refuse(txt::kCtlNotForCommand, name);
    if (c == Command::kNone) Refuse(txt::kCtlNoCommand, {});
    RequireCommandValues();
    return out_;
  }

 private:
  void Refuse(const TextPair& text, const std::string& subject) {
    if (!out_.problem) out_.problem = {&text, subject};
  }

  void Word(const std::string& w) {
    Options& o = out_.options;
    if (o.command != Command::kNone) {
      Refuse(txt::kCtlExtraArgument, w);
      return;
    }
    for (const CommandName& c : kCommands) {
      if (w == c.name) {
        o.command = c.command;
        return;
      }
    }
    Refuse(txt::kCtlUnknownCommand, w);
  }

  void Option(const std::string& name, const std::string& shown, const std::optional<std::string>& inlineValue) {
    Options& o = out_.options;
    if (name == "help" || name == "version") {
      if (inlineValue) return Refuse(txt::kCtlUnknownOption, shown + "=" + *inlineValue);
      // --help wins over everything else on the line, --version over all but --help.
      if (name == "help" || o.command != Command::kHelp)
        o.command = name == "help" ? Command::kHelp : Command::kVersion;
      return;
    }
    for (const CommandOption& co : kCommandOptions)
      if (name == co.name) given_.push_back({shown, co.command});
    if (!TakesValue(name)) {
      if (inlineValue) return Refuse(txt::kCtlUnknownOption, shown + "=" + *inlineValue);
      if (name == "json")
        o.json = true;
      else if (name == "quiet")
        o.quiet = true;
      else if (name == "save")
        o.save = true;
      else if (name == "yes")
        o.yes = true;
      else
        Refuse(txt::kCtlUnknownOption, shown);
      return;
    }
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i_ + 1 < args_.size()) {
      value = args_[++i_];
    } else {
      return Refuse(txt::kCtlMissingValue, shown);
    }
    Value(name, shown + " " + value, value);
  }

  // A number in [lo, hi], or a refusal with `rangeText`.
  std::optional<int> Number(const std::string& subject, const std::string& value, int lo, int hi,
                            const TextPair& rangeText) {
    const std::optional<int> n = WholeNumber(value);
    if (!n) {
      Refuse(txt::kCtlNotANumber, subject);
      return std::nullopt;
    }
    if (*n < lo || *n > hi) {
      Refuse(rangeText, subject);
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
      if (v.empty()) return Refuse(txt::kCtlMissingValue, subject);
      o.port = v;
    } else if (name == "station") {
      o.station = narrow(Number(subject, v, kMinStation, kMaxStation, txt::kStationRange));
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
      if (auto n = Number(subject, v, 0, kMaxStopAddress, txt::kStopAddrRange))
        o.stopAddress = static_cast<uint16_t>(*n);
    } else if (name == "code") {
      if (auto n = Number(subject, v, kMinStopCode, kMaxStopCode, txt::kStopCodeRange))
        o.stopCode = static_cast<uint16_t>(*n);
    } else if (name == "new-station") {
      o.newStation = narrow(Number(subject, v, kMinStation, kMaxStation, txt::kStationRange));
    } else if (name == "mode") {
      o.modeCode = narrow(Number(subject, v, 0, kModeCodes - 1, txt::kCtlModeRange));
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
        if (!o.modeCode) Refuse(txt::kCtlMissingValue, "--mode");
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
  size_t i_ = 0;
  Parsed out_;
  std::vector<std::pair<std::string, Command>> given_;
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
