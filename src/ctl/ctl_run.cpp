#include "ctl/ctl_run.h"

#include <signal.h>

#include <cstdlib>
#include <optional>

#include "core/language.h"
#include "ctl/ctl_output.h"
#include "device/identification.h"
#include "device/writes.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/com_set_model.h"
#include "platform/config_ini.h"
#include "platform/port_list.h"
#include "platform/settings_store.h"
#include "tolvane_version.h"

namespace tolvane::ctl {
namespace {

std::atomic<bool> g_interrupted{false};
void OnInterrupt(int) { g_interrupted.store(true); }

// The settings dialog's rules run without a window: nothing is posted anywhere.
class NoWindow : public UiDispatcher {
 public:
  void RunBlocking(const std::function<void()>& fn) override { fn(); }
  void Post(std::function<void()> fn) override { fn(); }
};

int StatusFor(LinkResult r) {
  switch (r) {
    case kLinkOk:
      return kExitOk;
    case kLinkNoReply:
      return kExitNoAnswer;
    case kLinkCannotOpen:
      return kExitPortOpen;
    default:
      return kExitCommFailed;
  }
}

const TextPair& OpenFailureText(int err) {
  switch (ClassifyOpenError(err)) {
    case OpenErrorKind::Missing:
      return txt::kPortMissing;
    case OpenErrorKind::Occupied:
      return txt::kPortOccupied;
    default:
      return txt::kPortInitFailed;
  }
}

// The window's message for a port that would not open; the permission case
// names the device and the fix itself.
std::string OpenFailureMessage(int err) {
  if (ClassifyOpenError(err) == OpenErrorKind::Permission) return Pick(PortPermissionMessage().View());
  return std::string(Pick(OpenFailureText(err))) + " (" + DevicePath(Comm().portName) + ")";
}

class Session {
 public:
  Session(const Options& o, const std::string& profilePath, Console& io) : o_(o), profilePath_(profilePath), io_(io) {}

  int Run() {
    switch (o_.command) {
      case Command::kHelp:
        io_.out << Pick(txt::kCtlUsage);
        return kExitOk;
      case Command::kVersion:
        io_.out << "tolvanectl " << kVersion << "\n";
        return kExitOk;
      case Command::kPorts:
        return Ports();
      default:
        break;
    }
    IniProfileStore profile(profilePath_);
    EffectiveSettings(o_, profile);
    const int status = o_.command == Command::kScan ? Scan() : Device();
    Link().ClosePort();
    return status;
  }

 private:
  // Messages go to stderr, one per line, whatever the output form.
  void Say(const std::string& message) { io_.err << "tolvanectl: " << message << "\n"; }
  void Json(const JsonObject& j) {
    if (o_.json) io_.out << j.Text() << "\n";
  }
  // A command that ends with messages instead of its result.
  int Fail(int status, const std::vector<std::string>& messages) {
    std::string joined;
    for (const std::string& m : messages) {
      Say(m);
      joined += (joined.empty() ? "" : " ") + m;
    }
    if (IsProbe())
      // The probe's own keys, and why nothing was found, so that a script need not read stderr.
      Json(ProbeJson(false, probes_, Comm().portName, Comm().station, o_.command == Command::kScan ? nullptr : &Comm(),
                     std::nullopt)
               .Str("message", joined));
    else
      Json(OutcomeJson(false, joined));
    return status;
  }
  bool IsProbe() const { return o_.command == Command::kProbe || o_.command == Command::kScan; }

  // As the window's message, plus the path, so that a script's log says which port.
  bool Open() {
    if (Link().OpenPortBare()) return true;
    Fail(kExitPortOpen, {OpenFailureMessage(Link().lastError())});
    Link().ClosePort();
    return false;
  }

  int Ports() {
    // The window's list: what sysfs knows, then the names TOLVANE_PORTS adds.
    const std::vector<PortInfo> ports = DescribeSerialPorts(ListSerialPorts());
    std::vector<JsonObject> list;
    for (const PortInfo& p : ports) {
      std::string description = PortDescription(p);
      if (description.empty()) description = Pick(txt::kCtlPortListed);
      if (!o_.json) io_.out << p.name << "\t" << description << "\n";
      JsonObject j;
      list.push_back(j.Str("name", p.name).Str("description", description));
    }
    JsonObject all;
    Json(all.Arr("ports", list));
    if (!ports.empty()) return kExitOk;
    Say(Pick(txt::kNoSerialPort));
    return kExitNoAnswer;
  }

  // Link's part: apply the settings, ask the module who it is.
  int Connect() {
    if (!Open()) return kExitPortOpen;
    if (!Link().ApplyLineSettings()) return Fail(kExitCommFailed, {Pick(txt::kPortOpFailed)});
    probes_ = 1;
    const LinkResult r = ProbeModule();
    if (r != kLinkOk) return Fail(StatusFor(r), {Pick(txt::kConnectFailed), Pick(ReadResultText(r))});
    typeCode_ = ProbedTypeCode();
    return kExitOk;
  }

  int Device() {
    if (const int status = Connect(); status != kExitOk) return status;
    switch (o_.command) {
      case Command::kProbe:
        if (!o_.json) io_.out << ModuleAtText(typeCode_, Comm()) << "\n";
        Json(ProbeJson(true, probes_, Comm().portName, Comm().station, &Comm(), typeCode_));
        return kExitOk;
      case Command::kRead:
        return Read();
      case Command::kSetNetwork:
        return Written(WriteNetworkConfiguration(*o_.ip, *o_.mask, *o_.gateway) == kLinkOk, txt::kDownloadOk);
      case Command::kSetShutdown:
        return Written(WriteShutdown(*o_.stopAddress, *o_.stopCode) == kLinkOk, txt::kDownloadOk);
      case Command::kSetComm: {
        // Anything but a failed send may be the module already answering at its
        // new settings, so the command counts as sent, as in the window.
        const LinkResult r = WriteCommParameters(*o_.newStation, *o_.modeCode, *o_.baudCode);
        return Written(r != kLinkSendFailed, txt::kCommParamsSent);
      }
      case Command::kRestoreFactory:
        return Written(WriteFactorySettings() == kLinkOk, txt::kRestoreSent);
      default:
        return kExitUsage;
    }
  }

  int Read() {
    const LinkResult r = ReadRegisters(kBlockRegisters);
    if (r != kLinkOk) return Fail(StatusFor(r), {Pick(ReadResultText(r))});
    const ParameterBlock block = DecodeBlockReply();
    if (o_.json)
      Json(BlockJson(block));
    else
      io_.out << BlockText(block);
    return kExitOk;
  }

  int Written(bool ok, const TextPair& success) {
    if (!ok) return Fail(kExitCommFailed, {Pick(txt::kCommErrorCheck)});
    if (o_.json)
      Json(OutcomeJson(true, Pick(success)));
    else
      io_.out << Pick(success) << "\n";
    return kExitOk;
  }

  void Progress(const CommSettings& c) {
    if (!io_.errIsTerminal || o_.quiet) return;
    io_.err << "\r\x1b[K"
            << PickFilled(txt::kCtlScanProgress, {std::to_string(probes_), std::to_string(c.baud), FrameText(c)})
            << std::flush;
  }
  void EndProgress() {
    if (io_.errIsTerminal && !o_.quiet && probes_ > 0) io_.err << "\r\x1b[K" << std::flush;
  }

  // Auto Link's search: every rate in its order, every format at each rate.
  int Scan() {
    CatchInterrupt();
    if (!Open()) return kExitPortOpen;
    CommSettings& c = Comm();
    for (int rateIndex : ScanRateOrder()) {
      for (const ScanFormat& f : ScanFormats()) {
        UseScanStep(c, rateIndex, f);
        if (Interrupted().load()) {
          EndProgress();
          Link().ClosePort();
          return Fail(kExitInterrupted, {Pick(txt::kDetectStopped)});
        }
        ++probes_;
        Progress(c);
        if (!Link().ApplyLineSettings()) {
          EndProgress();
          return Fail(kExitCommFailed, {Pick(txt::kSearchPortFailed)});
        }
        if (ProbeModule() == kLinkOk) {
          EndProgress();
          return Found();
        }
      }
    }
    EndProgress();
    return Fail(kExitNoAnswer, {Pick(txt::kDetectNothing)});
  }

  int Found() {
    const uint16_t type = ProbedTypeCode();
    bool saved = true;
    if (o_.save) {
      IniProfileStore profile(profilePath_);
      saved = StoreCommSettings(profile);
    }
    if (o_.json) {
      JsonObject j = ProbeJson(true, probes_, Comm().portName, Comm().station, &Comm(), type);
      if (o_.save) j.Bool("saved", saved);
      Json(j);
    } else {
      io_.out << ModuleAtText(type, Comm()) << "\n"
              << PickFilled(txt::kCtlFoundOnProbe, {std::to_string(probes_)}) << "\n";
      if (o_.save && saved) io_.out << PickFilled(txt::kCtlSaved, {profilePath_}) << "\n";
    }
    if (saved) return kExitOk;
    // Found, but a script relying on the stored settings must not go on as if they were.
    Say(PickFilled(txt::kCtlNotSaved, {profilePath_}));
    return kExitCommFailed;
  }

  const Options& o_;
  const std::string profilePath_;
  Console& io_;
  int probes_ = 0;
  uint16_t typeCode_ = 0;
};

}  // namespace

std::atomic<bool>& Interrupted() { return g_interrupted; }

void CatchInterrupt() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

CommSettings EffectiveSettings(const Options& o, ProfileStore& profile) {
  LoadCommSettings(profile);
  CommSettings& c = Comm();
  const std::string port = c.portName;  // the dialog would pick it from the system's list; here it is given
  NoWindow noWindow;
  ComSetModel dialog(noWindow);
  dialog.FillLists();
  dialog.TakeOverChoice();
  c.portName = port;
  if (o.port) c.portName = *o.port;
  if (o.station) c.station = *o.station;
  if (o.baud) c.baud = *o.baud;
  if (o.transferMode) c.transferMode = *o.transferMode;
  if (o.dataBits) c.dataBits = *o.dataBits;
  if (o.parity) c.parity = *o.parity;
  if (o.stopBits) c.stopBits = *o.stopBits;
  return c;
}

int Main(const std::vector<std::string>& args, const std::string& exeDir, const std::string& profilePath, Console& io) {
  const Parsed parsed = ParseArguments(args);
  const Options& o = parsed.options;
  // The window's language unless the line names one; the window's file is only read.
  SetUiLanguage(o.language ? *o.language : (ReadLanguageType(ConfigIniPath(exeDir)) == 0 ? 0 : 1));
  if (parsed.problem) {
    std::string message = Pick(*parsed.problem.text);
    if (!parsed.problem.subject.empty()) message = parsed.problem.subject + ": " + message;
    io.err << "tolvanectl: " << message << "\n" << Pick(txt::kCtlTryHelp) << "\n";
    if (o.json) io.out << OutcomeJson(false, message).Text() << "\n";
    return kExitUsage;
  }
  return Session(o, profilePath, io).Run();
}

}  // namespace tolvane::ctl
