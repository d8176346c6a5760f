// The command line of tolvanectl: what the user asked for, every value already
// checked by the rules the window applies to its fields, so that a refused value
// never reaches the line.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/texts.h"
#include "models/module_search.h"

namespace tolvane::ctl {

enum class Command {
  kNone,
  kHelp,
  kVersion,
  kPorts,
  kProbe,
  kScan,
  kRead,
  kSetNetwork,
  kSetShutdown,
  kSetComm,
  kRestoreFactory,
  kSave,
  kApply,
};

// Exit statuses; scripts rely on them.
enum ExitStatus : int {
  kExitOk = 0,
  kExitNoAnswer = 1,    // no answer, nothing found
  kExitUsage = 2,       // bad usage or a value out of range; nothing was sent
  kExitPortOpen = 3,    // the port cannot be opened
  kExitCommFailed = 4,  // any other communication failure, or the module refused
  kExitOutputLost = 5,  // the command ran (the module may have changed), its output was lost
  // Ctrl-C: the program ends by SIGINT once the port is closed; only a system
  // without signals turns this into its exit status.
  kExitInterrupted = 130,
};

// Why a command line is refused: a catalogue text, and what it is about (an
// option and its value) when there is something to point at.
struct Problem {
  const TextPair* text = nullptr;
  std::string subject;
  explicit operator bool() const { return text != nullptr; }
};

struct Options {
  Command command = Command::kNone;
  // Connection settings given on the command line; the rest come from the profile.
  std::optional<std::string> port;
  std::optional<uint8_t> station;
  std::optional<uint32_t> baud;
  std::optional<uint8_t> transferMode;  // 0 ASCII, 1 RTU
  std::optional<uint8_t> dataBits;
  std::optional<uint8_t> parity;  // 0 none, 1 odd, 2 even
  std::optional<uint8_t> stopBits;
  std::optional<int> language;  // 0 Chinese, 1 English
  bool json = false;
  bool quiet = false;
  // The window's full settle sleep on every answered try, instead of taking the
  // reply as soon as it is complete.
  bool settle = false;
  // Command options.
  bool save = false;
  bool yes = false;
  bool dryRun = false;
  std::string file;                              // save and apply: the parameter file
  std::optional<std::string> ip, mask, gateway;  // canonical dotted form
  std::optional<uint16_t> stopAddress, stopCode;
  std::optional<uint8_t> newStation, baudCode;
  std::optional<uint8_t> modeCode;  // only a check: the module's own code is written back
  // scan over a station range instead of Auto Link's search at one station.
  std::optional<std::pair<int, int>> stations;
  bool all = false;  // go on to the end of the range and report every module
};

struct Parsed {
  Options options;
  Problem problem;  // the first one met; the rest of the line is still read for --lang and --json
};

Parsed ParseArguments(const std::vector<std::string>& args);

// The window's field rules, usable on their own.
// A number field: digits with an optional sign, leading zeros dropped as the
// window drops them; nullopt for anything else.
std::optional<int> WholeNumber(const std::string& text);
// Four dot-separated numbers 0..255, returned as "a.b.c.d"; nullopt otherwise.
std::optional<std::string> DottedAddress(const std::string& text);
// Index of the rate in the baud rate list (the module's baud code), or -1.
int BaudIndex(uint32_t baud);
// "FROM-TO" or one station, within 1..247 and FROM not above TO.
std::optional<std::pair<int, int>> StationRange(const std::string& text);
// The line settings the options given restrict scan --stations to.
LineFilter FilterOf(const Options& o);

}  // namespace tolvane::ctl
