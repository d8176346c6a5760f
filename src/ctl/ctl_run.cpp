#include "ctl/ctl_run.h"

#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "core/decimal.h"
#include "core/language.h"
#include "core/message_rule.h"
#include "ctl/ctl_output.h"
#include "device/identification.h"
#include "device/writes.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/com_set_model.h"
#include "models/commands.h"
#include "models/main_model.h"
#include "models/module_search.h"
#include "models/parameter_file.h"
#include "platform/config_ini.h"
#include "platform/console.h"
#include "platform/ini_file.h"
#include "platform/port_list.h"
#include "platform/system_files.h"
#include "platform/user_profile.h"
#include "tolvane_version.h"

namespace tolvane::ctl {
namespace {

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

// What the window's rules would show in message boxes, kept as lines instead.
class CaughtMessages : public MessagePresenter {
 public:
  CaughtMessages() { SetMessagePresenter(this); }
  ~CaughtMessages() override { SetMessagePresenter(nullptr); }
  CaughtMessages(const CaughtMessages&) = delete;
  CaughtMessages& operator=(const CaughtMessages&) = delete;
  MsgAnswer Present(const MessageRequest& r) override {
    texts.push_back(r.text);
    return r.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
  }
  std::vector<std::string> texts;
};

// The octets of an address already in its plain form.
std::vector<int> Octets(const std::string& dotted) {
  std::vector<int> octets;
  for (int k = 1; k <= kAddressOctets; ++k) octets.push_back(DottedField(dotted, k) & 0xFF);
  return octets;
}

// A write of the communication parameters counts as sent unless the module
// refused it: a reply that never came or came garbled may be the module already
// at its new settings, as in the window. A refusal is the module keeping its old ones.
bool CommWriteSent() {
  const TransactionReport& t = LastTransaction();
  return t.result == kLinkOk || (t.sent && !t.refused);
}
// Whether the module said so: a checked reply to the write came, its refusal
// (a checked exception reply) included.
bool CommWriteConfirmed() {
  const TransactionReport& t = LastTransaction();
  return t.result == kLinkOk || t.refused;
}

void Out(const std::string& text) { console::Write(console::Stream::kOut, text); }
void Err(const std::string& text) { console::Write(console::Stream::kErr, text); }
// Messages go to stderr, one per line, whatever the output form.
void Say(const std::string& message) { Err("tolvanectl: " + message + "\n"); }

class Session {
 public:
  explicit Session(const Options& o) : o_(o), progressShown_(console::IsTerminal(console::Stream::kErr) && !o.quiet) {}

  int Run() {
    switch (o_.command) {
      case Command::kHelp: {
        // Port names as this system writes them.
        const std::vector<std::string> names = PortNameExamples();
        std::string forms = names.front();
        for (size_t i = 1; i < names.size(); ++i) forms += ", " + names[i];
        Out(PickFilled(txt::kCtlUsage, {forms, names.front()}));
        return kExitOk;
      }
      case Command::kVersion:
        if (o_.json)
          Json(ctl::Json{{"name", "tolvanectl"}, {"version", kVersion}});
        else
          Out(std::string("tolvanectl ") + kVersion + "\n");
        return kExitOk;
      case Command::kPorts:
        return Ports();
      default:
        break;
    }
    EffectiveSettings(o_, *OpenUserProfile());
    // A script takes each reply as soon as it is complete and checked; --settle
    // keeps the window's timing.
    SetReplyEnd(o_.settle ? ReplyEnd::kAfterSettle : ReplyEnd::kWhenComplete);
    if (const int status = CheckFile(); status != kExitOk) return status;
    const int status = o_.command == Command::kScan ? Scan() : Device();
    Link().ClosePort();
    return status;
  }

 private:
  void Json(const ctl::Json& j) {
    if (o_.json) Out(JsonText(j) + "\n");
  }
  // A command that ends with messages instead of its result.
  int Fail(int status, const std::vector<std::string>& messages) {
    // A wait that Ctrl-C cut short is no timeout of the module.
    if (status != kExitInterrupted && console::Interrupted()) return Stopped();
    std::string joined;
    for (const std::string& m : messages) {
      Say(m);
      joined += (joined.empty() ? "" : " ") + m;
    }
    if (o_.command == Command::kApply) {
      Json(ApplyJson(false, joined));
    } else if (StationsListed()) {
      // A script reads one shape for --all whatever happens: the list (empty
      // when the search never ran), the reason on stderr only.
      if (!listPrinted_) Json(ctl::Json::array());
      listPrinted_ = true;
    } else if (IsProbe()) {
      // The probe's own keys, and why nothing was found, so that a script need not read stderr.
      ctl::Json j = ProbeJson(false, probes_, Comm().portName, Comm().station,
                              o_.command == Command::kScan ? nullptr : &Comm(), std::nullopt);
      // A station search that found nothing has no station to give.
      if (o_.command == Command::kScan && o_.stations) j["station"] = nullptr;
      j["message"] = joined;
      Json(j);
    } else {
      Json(OutcomeJson(false, joined));
    }
    return status;
  }
  bool IsProbe() const { return o_.command == Command::kProbe || o_.command == Command::kScan; }
  bool StationsListed() const { return o_.command == Command::kScan && o_.stations && o_.all; }

  // Ctrl-C ends a command before its next step; the search says so, as Auto Link does.
  int Stopped() {
    const TextPair& why = o_.command == Command::kScan    ? txt::kDetectStopped
                          : o_.command == Command::kApply ? txt::kCtlApplyStopped
                                                          : txt::kCtlStopped;
    return Fail(kExitInterrupted, {Pick(why)});
  }

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
    ctl::Json list = ctl::Json::array();
    for (const PortInfo& p : ports) {
      std::string description = PortDescription(p);
      if (description.empty()) description = Pick(txt::kCtlPortListed);
      if (!o_.json) Out(p.name + "\t" + description + "\n");
      list.push_back(ctl::Json{{"name", p.name}, {"description", description}});
    }
    Json(ctl::Json{{"ports", list}});
    if (!ports.empty()) return kExitOk;
    Say(Pick(txt::kNoSerialPort));
    return kExitNoAnswer;
  }

  // Link's part: apply the settings, ask the module who it is.
  int Connect() {
    if (console::Interrupted()) return Stopped();
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
    if (o_.command != Command::kProbe && console::Interrupted()) return Stopped();
    switch (o_.command) {
      case Command::kProbe:
        if (!o_.json) Out(ModuleAtText(typeCode_, Comm()) + "\n");
        Json(ProbeJson(true, probes_, Comm().portName, Comm().station, &Comm(), typeCode_));
        return kExitOk;
      case Command::kRead:
        return Read();
      case Command::kSetNetwork:
        return Written(WriteNetworkConfiguration(*o_.ip, *o_.mask, *o_.gateway) == kLinkOk, txt::kDownloadOk);
      case Command::kSetShutdown:
        return Written(WriteShutdown(*o_.stopAddress, *o_.stopCode) == kLinkOk, txt::kDownloadOk);
      case Command::kSetComm:
        return SetComm();
      case Command::kRestoreFactory:
        return Written(WriteFactorySettings() == kLinkOk, txt::kRestoreSent);
      case Command::kSave:
        return Save();
      case Command::kApply:
        return Apply();
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
      Out(BlockText(block));
    return kExitOk;
  }

  // The window never changes the mode: it writes back the code the module
  // reported. So does this, from a read right before the write.
  int SetComm() {
    const LinkResult r = ReadRegisters(kBlockRegisters);
    if (r != kLinkOk) return Fail(StatusFor(r), {Pick(ReadResultText(r))});
    const uint16_t mode = DecodeBlockReply().modeCode;
    if (mode >= kCommModeCount)
      return Fail(kExitCommFailed, {PickFilled(txt::kCtlModeUnknown, {std::to_string(mode)})});
    if (o_.modeCode && *o_.modeCode != mode)
      return Fail(kExitUsage, {"--mode " + std::to_string(*o_.modeCode) + ": " +
                               PickFilled(txt::kCtlModeFixed, {CommModeEntries()[mode]})});
    if (console::Interrupted()) return Stopped();
    WriteCommParameters(*o_.newStation, static_cast<uint8_t>(mode), *o_.baudCode);
    if (!CommWriteSent()) {
      if (!LastTransaction().refused) return Fail(kExitCommFailed, {Pick(txt::kCommErrorCheck)});
      // The refusal went out and came back checked: not done, but confirmed.
      Say(Pick(txt::kCommErrorCheck));
      ctl::Json j = OutcomeJson(false, Pick(txt::kCommErrorCheck));
      j["confirmed"] = true;
      Json(j);
      return kExitCommFailed;
    }
    const bool confirmed = CommWriteConfirmed();
    if (o_.json) {
      ctl::Json j = OutcomeJson(true, Pick(txt::kCommParamsSent));
      j["confirmed"] = confirmed;
      Json(j);
    } else {
      if (!confirmed) Out(std::string(Pick(txt::kCtlCommUnconfirmed)) + "\n");
      Out(std::string(Pick(txt::kCommParamsSent)) + "\n");
    }
    return kExitOk;
  }

  // A loader refusal as the command line means it.
  static std::string NothingSent(std::string text) {
    const std::string window = Pick(txt::kParamWindowKept);
    if (text.size() >= window.size() && text.compare(text.size() - window.size(), window.size(), window) == 0)
      text.replace(text.size() - window.size(), window.size(), Pick(txt::kCtlNothingSent));
    return text;
  }

  std::string SaveFailedMessage(WriteProblem problem) const {
    return Pick(ParameterSaveFailure(problem, o_.file).View());
  }

  // The file of save or apply, looked at before the port is opened: what cannot
  // be used costs the module no request.
  int CheckFile() {
    if (o_.command == Command::kSave) {
      // The writer's own test, so that a file that cannot be written costs the module no read.
      if (const WriteProblem problem = ini::CheckRewrite(o_.file); problem != WriteProblem::kNone)
        return Fail(kExitUsage, {SaveFailedMessage(problem)});
    } else if (o_.command == Command::kApply) {
      const ini::FileText f = ini::ReadFile(o_.file, kMaxParameterFileBytes);
      if (f.state != ini::FileState::kRead)
        return Fail(kExitUsage,
                    {o_.file + ": " + NothingSent(Pick(f.tooLarge ? txt::kParamTooLarge : txt::kParamUnreadable))});
      const ParameterFileReading r = ReadParameterFile(f.bytes);
      if (!r.values) return Fail(kExitUsage, {o_.file + ": " + NothingSent(Pick(r.problem.View()))});
      fileValues_ = r.values;
    }
    return kExitOk;
  }

  // The window's Save Parameters on a module just read into a window of our own.
  int Save() {
    MainModel window;
    CaughtMessages shown;
    const LinkResult r = ReadAfterConnect(window);
    if (r != kLinkOk) return Fail(StatusFor(r), {Pick(ReadResultText(r))});
    // A value of the module that the window would refuse to save (a station
    // outside 1..247, say) is refused with the window's message.
    const std::optional<ModuleParameters> values = CollectParameters(window);
    if (!values) return Fail(kExitCommFailed, shown.texts);
    if (console::Interrupted()) return Stopped();
    const std::string text =
        ParameterFileText(*values, {kVersion, SavedStamp(static_cast<int64_t>(std::time(nullptr)))});
    if (const WriteProblem problem = ini::WriteWholeFile(o_.file, text); problem != WriteProblem::kNone)
      return Fail(kExitOutputLost, {SaveFailedMessage(problem)});
    return Written(true, txt::kParamSaved);
  }

  ctl::Json ApplyJson(bool ok, const std::string& message) const {
    ctl::Json j = OutcomeJson(ok, message);
    j["dry_run"] = o_.dryRun;
    j["writes"] = ctl::Json::array();
    for (const RangeWrite& w : writes_) j["writes"].push_back(RangeWriteJson(w));
    return j;
  }

  // The file's writable values with the command line's in their place, as the
  // window's download buttons send them: shutdown, the three addresses, and the
  // communication parameters last, since the module switches after them. The
  // mode is the module's own.
  void PlanWrites(uint8_t mode) {
    ModuleParameters v = *fileValues_;
    if (o_.newStation) v.station = *o_.newStation;
    if (o_.baudCode) v.baudCode = *o_.baudCode;
    if (o_.ip) v.ip = *o_.ip;
    if (o_.mask) v.mask = *o_.mask;
    if (o_.gateway) v.gateway = *o_.gateway;
    const auto stopAddress = static_cast<uint16_t>(v.stopAddress), stopCode = static_cast<uint16_t>(v.stopCode);
    const auto station = static_cast<uint16_t>(v.station);
    const auto baud = static_cast<uint8_t>(v.baudCode);
    writes_ = {
        {"shutdown", &txt::kGroupShutdown, kShutdownRange.start, {stopAddress, stopCode}, std::nullopt, std::nullopt},
        {"ip", &txt::kLblIp, kIpRange.start, Octets(v.ip), std::nullopt, std::nullopt},
        {"mask", &txt::kLblMask, kMaskRange.start, Octets(v.mask), std::nullopt, std::nullopt},
        {"gateway", &txt::kLblGateway, kGatewayRange.start, Octets(v.gateway), std::nullopt, std::nullopt},
        {"communication", &txt::kGroupComm, kCommRange.start, {station, mode, baud}, std::nullopt, std::nullopt},
    };
    sends_ = {
        [=] { return WriteShutdown(stopAddress, stopCode) == kLinkOk; },
        [ip = v.ip] { return WriteAddress(kIpRange, ip) == kLinkOk; },
        [mask = v.mask] { return WriteAddress(kMaskRange, mask) == kLinkOk; },
        [gateway = v.gateway] { return WriteAddress(kGatewayRange, gateway) == kLinkOk; },
        [=, this] {
          WriteCommParameters(station, mode, baud);
          writes_.back().confirmed = CommWriteConfirmed();
          return CommWriteSent();
        },
    };
  }

  int Apply() {
    const LinkResult r = ReadRegisters(kBlockRegisters);
    if (r != kLinkOk) return Fail(StatusFor(r), {Pick(ReadResultText(r))});
    const uint16_t mode = DecodeBlockReply().modeCode;
    if (mode >= kCommModeCount)
      return Fail(kExitCommFailed, {PickFilled(txt::kCtlModeUnknown, {std::to_string(mode)})});
    PlanWrites(static_cast<uint8_t>(mode));
    if (o_.dryRun) {
      if (o_.json) {
        Json(ApplyJson(true, Pick(txt::kCtlDryRun)));
      } else {
        for (const RangeWrite& w : writes_) Out(RangeWriteText(w) + "\n");
        Out(std::string(Pick(txt::kCtlDryRun)) + "\n");
      }
      return kExitOk;
    }
    for (size_t i = 0; i < writes_.size(); ++i) {
      // Ctrl-C between writes: what is written stays, nothing more is sent.
      if (console::Interrupted()) return Stopped();
      writes_[i].ok = sends_[i]();
      if (!*writes_[i].ok) return Fail(kExitCommFailed, {Pick(txt::kCommErrorCheck)});
      if (o_.json) continue;
      Out(RangeWriteText(writes_[i]) + "\n");
      if (writes_[i].confirmed == false) Out(std::string(Pick(txt::kCtlCommUnconfirmed)) + "\n");
    }
    if (o_.json)
      Json(ApplyJson(true, Pick(txt::kCommParamsSent)));
    else
      Out(std::string(Pick(txt::kCommParamsSent)) + "\n");
    return kExitOk;
  }

  int Written(bool ok, const TextPair& success) {
    if (!ok) return Fail(kExitCommFailed, {Pick(txt::kCommErrorCheck)});
    if (o_.json)
      Json(OutcomeJson(true, Pick(success)));
    else
      Out(std::string(Pick(success)) + "\n");
    return kExitOk;
  }

  void Progress(const CommSettings& c) {
    if (!progressShown_) return;
    Err("\r\x1b[K" +
        PickFilled(txt::kCtlScanProgress, {std::to_string(probes_), std::to_string(c.baud), FrameText(c)}));
  }
  void EndProgress() {
    if (progressShown_ && probes_ > 0) Err("\r\x1b[K");
  }

  // Auto Link's search: every rate in its order, every format at each rate.
  int Scan() {
    if (o_.stations) return ScanStations();
    if (!Open()) return kExitPortOpen;
    CommSettings& c = Comm();
    for (int rateIndex : ScanRateOrder()) {
      for (const ScanFormat& f : ScanFormats()) {
        UseScanStep(c, rateIndex, f);
        if (console::Interrupted()) {
          EndProgress();
          Link().ClosePort();
          return Stopped();
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

  // One module of a station search as a line; one that answers but is not the
  // coupler says so in place of its model.
  static std::string FoundText(const FoundModule& m) {
    CommSettings at = Comm();
    UseLine(at, m.line);
    at.station = m.station;
    if (m.IsCoupler()) return ModuleAtText(m.typeCode, at);
    return PickFilled(txt::kCtlModuleAt, {Pick(txt::kFindNotCoupler), at.portName, std::to_string(at.station),
                                          std::to_string(at.baud), FrameText(at)});
  }
  static ctl::Json FoundJson(const FoundModule& m) {
    const std::string model = m.identified ? ModelName(m.typeCode) : std::string();
    return ctl::Json{{"station", m.station},
                     {"baud", m.line.baud},
                     {"framing", m.line.format.transferMode == 0 ? "ascii" : "rtu"},
                     {"data", m.line.format.dataBits},
                     {"parity", ParityName(m.line.format.parity)},
                     {"stop", m.line.format.stopBits},
                     {"model", model.empty() ? ctl::Json(nullptr) : ctl::Json(model)}};
  }

  // The search over a station range, at the line settings the options leave open.
  int ScanStations() {
    if (!Open()) return kExitPortOpen;
    SearchInput in;
    in.from = o_.stations->first;
    in.to = o_.stations->second;
    in.given = GivenStation(Comm().station, in.from, in.to);
    in.lines = LinesMatching(FilterOf(o_));
    in.findAll = o_.all;
    const CommSettings before = Comm();
    ModuleSearch search(in);
    search.stopRequested = [] { return console::Interrupted(); };
    search.onProgress = [this](const SearchProgress& p) {
      probes_ = static_cast<int>(p.done);
      if (!progressShown_ || p.done == 0) return;
      const CommSettings& c = Comm();
      Err("\r\x1b[K" +
          PickFilled(txt::kCtlFindProgress, {std::to_string(p.done), std::to_string(p.total), std::to_string(c.station),
                                             std::to_string(c.baud), FrameText(c)}));
    };
    search.onFound = [this](const FoundModule& m) {
      if (o_.all && !o_.json) {
        EndProgress();
        Out(FoundText(m) + "\n");
      }
    };
    const SearchEnd end = search.Run();
    EndProgress();
    Comm() = before;
    const FoundModule* first = nullptr;
    for (const FoundModule& m : search.found())
      if (m.IsCoupler() && !first) first = &m;
    if (first) {
      UseLine(Comm(), first->line);
      Comm().station = first->station;
    }
    if (o_.all && o_.json) {
      ctl::Json list = ctl::Json::array();
      for (const FoundModule& m : search.found()) list.push_back(FoundJson(m));
      Out(JsonText(list) + "\n");
      listPrinted_ = true;
    }
    if (end == SearchEnd::kStopped) return StationsStopped();
    if (end == SearchEnd::kPortFailed) return Fail(kExitCommFailed, {Pick(txt::kSearchPortFailed)});
    if (!first) {
      if (o_.all) {
        Say(Pick(txt::kFindNothing));
        return kExitNoAnswer;
      }
      for (const FoundModule& m : search.found()) Say(FoundText(m));
      return Fail(kExitNoAnswer, {Pick(txt::kFindNothing)});
    }
    const bool saved = o_.save && StoreCommSettings(*OpenUserProfile());
    const bool notSaved = o_.save && !saved;
    const std::string where = UserProfileLocation();
    if (!o_.all) {
      if (o_.json) {
        ctl::Json j = ProbeJson(true, probes_, Comm().portName, Comm().station, &Comm(), first->typeCode);
        if (o_.save) j["saved"] = saved;
        if (notSaved) j["message"] = PickFilled(txt::kCtlNotSaved, {where});
        Json(j);
      } else {
        for (const FoundModule& m : search.found()) Out(FoundText(m) + "\n");
      }
    }
    if (saved && !o_.json) Out(PickFilled(txt::kCtlSaved, {where}) + "\n");
    if (!notSaved) return kExitOk;
    Say(PickFilled(txt::kCtlNotSaved, {where}));
    return kExitCommFailed;
  }
  // Ctrl-C: what was found so far has been reported; nothing is stored.
  int StationsStopped() {
    if (o_.all && o_.json) {
      Say(Pick(txt::kDetectStopped));
      return kExitInterrupted;
    }
    return Stopped();
  }

  int Found() {
    const uint16_t type = ProbedTypeCode();
    // A stop asked for while the finding probe ran still stops: nothing is stored.
    const bool stopped = console::Interrupted();
    bool saved = false;
    if (o_.save && !stopped) saved = StoreCommSettings(*OpenUserProfile());
    const std::string where = UserProfileLocation();
    const bool notSaved = o_.save && !saved && !stopped;
    if (o_.json) {
      ctl::Json j = ProbeJson(true, probes_, Comm().portName, Comm().station, &Comm(), type);
      if (o_.save) j["saved"] = saved;
      if (notSaved) j["message"] = PickFilled(txt::kCtlNotSaved, {where});
      Json(j);
    } else {
      Out(ModuleAtText(type, Comm()) + "\n" + PickFilled(txt::kCtlFoundOnProbe, {std::to_string(probes_)}) + "\n");
      if (saved) Out(PickFilled(txt::kCtlSaved, {where}) + "\n");
    }
    if (stopped) {
      Say(Pick(txt::kDetectStopped));
      return kExitInterrupted;
    }
    if (!notSaved) return kExitOk;
    // Found, but a script relying on the stored settings must not go on as if they were.
    Say(PickFilled(txt::kCtlNotSaved, {where}));
    return kExitCommFailed;
  }

  const Options& o_;
  const bool progressShown_;  // only on a terminal
  bool listPrinted_ = false;  // scan --stations --all --json: its one array is out
  int probes_ = 0;
  uint16_t typeCode_ = 0;
  std::optional<ModuleParameters> fileValues_;  // apply: the file, checked
  std::vector<RangeWrite> writes_;              // apply: in the order sent
  std::vector<std::function<bool()>> sends_;    // one per write: true when it went in
};

// The folder of a path, with either separator.
}  // namespace

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

int Main(const std::vector<std::string>& args) {
  const Parsed parsed = ParseArguments(args);
  const Options& o = parsed.options;
  // The window's language unless the line names one; the window's file is only read.
  SetUiLanguage(o.language ? *o.language : (ReadLanguageType(ConfigIniPath(sysfile::ExecutableFolder())) == 0 ? 0 : 1));
  int status = kExitUsage;
  if (parsed.problem) {
    std::string message = Pick(*parsed.problem.text);
    if (!parsed.problem.subject.empty()) message = parsed.problem.subject + ": " + message;
    Say(message + "\n" + Pick(txt::kCtlTryHelp));
    if (o.json) {
      ctl::Json j = OutcomeJson(false, message);
      if (o.command == Command::kApply) {
        j["dry_run"] = o.dryRun;
        j["writes"] = ctl::Json::array();
      }
      Out(JsonText(j) + "\n");
    }
  } else {
    status = Session(o).Run();  // the port is closed when it returns
  }
  const bool outputKept = console::FinishOutput();
  if (console::Interrupted()) console::ExitInterrupted();
  if (outputKept || status != kExitOk) return status;
  // Only the commands that write to the module can have changed it.
  const bool writes = (o.command == Command::kApply && !o.dryRun) || o.command == Command::kSetComm ||
                      o.command == Command::kSetShutdown || o.command == Command::kSetNetwork ||
                      o.command == Command::kRestoreFactory;
  Say(Pick(writes ? txt::kCtlOutputLost : txt::kCtlOutputLostNoChange));
  return kExitOutputLost;
}

}  // namespace tolvane::ctl
