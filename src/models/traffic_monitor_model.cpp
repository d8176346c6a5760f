#include "models/traffic_monitor_model.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/language.h"
#include "core/link_result.h"
#include "link/serial_link.h"

namespace tolvane {
namespace {

// Records are taken from the recorder in chunks, so that its lock is never
// held for long against a transaction.
constexpr size_t kChunk = 256;

const TextPair& LinkResultName(int code) {
  switch (code) {
    case kLinkOk:
      return txt::kLinkName0;
    case kLinkNoReply:
      return txt::kLinkName1;
    case kLinkUnexpectedReadReply:
      return txt::kLinkName2;
    case kLinkUnexpectedReply:
      return txt::kLinkName3;
    case kLinkSendFailed:
      return txt::kLinkName5;
    case kLinkReceiveFailed:
      return txt::kLinkName6;
    case kLinkCheckError:
      return txt::kLinkName7;
    case kLinkCannotOpen:
      return txt::kLinkName8;
    case kLinkLineError:
      return txt::kLinkName11;
    case kLinkTooManyBytes:
      return txt::kLinkName12;
    case kLinkPortNotOpen:
      return txt::kLinkName13;
    default:
      return txt::kLinkNameOther;
  }
}

}  // namespace

std::string TrafficSettingsText(const TrafficLine& line) {
  const char parity = ParityLetter(line.parity);
  const char* framing = line.transferMode == 1 ? "RTU" : line.transferMode == 0 ? "ASCII" : "?";
  char text[48];
  std::snprintf(text, sizeof text, "%u %u%c%u %s", line.baud, line.dataBits, parity ? parity : '?', line.stopBits,
                framing);
  return text;
}

std::string TrafficBytesText(const std::string& bytes, bool ascii) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (unsigned char b : bytes) {
    if (!ascii) {
      if (!out.empty()) out += ' ';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    } else if (b == '\r') {
      out += "<CR>";
    } else if (b == '\n') {
      out += "<LF>";
    } else if (b < 0x20 || b > 0x7E || b == '<') {
      // A '<' of its own would read like the start of a mark.
      out += '<';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
      out += '>';
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

std::string LinkResultText(int code) { return std::to_string(code) + " " + Pick(LinkResultName(code)); }

std::string ClockText(int64_t wallMs) {
  const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(wallMs % 1000));
  return text;
}

std::string TrafficLogFileName(int64_t wallMs) {
  const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[96];
  std::snprintf(text, sizeof text, "tolvane-traffic-%04d%02d%02d-%02d%02d%02d.txt", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

TrafficMonitorModel::TrafficMonitorModel(TrafficRecorder& recorder) : recorder_(recorder) {}

void TrafficMonitorModel::Take(TrafficEntry&& e) {
  Entry line{.record = e.record, .bytes = std::move(e.bytes)};
  if (lastSteadyUs_ >= 0) line.gapUs = std::max<int64_t>(0, e.record.steadyUs - lastSteadyUs_);
  lastSteadyUs_ = e.record.steadyUs;
  pending_.push_back(std::move(line));
  if (pending_.size() > kMaxLines) {
    pending_.pop_front();
    ++dropped_;
  }
}

void TrafficMonitorModel::Collect() {
  if (paused_) return;
  for (;;) {
    uint64_t missed = 0;
    chunk_.clear();
    const uint64_t next = recorder_.ReadSince(next_, kChunk, chunk_, &missed);
    if (missed) {
      dropped_ += missed;
      lastSteadyUs_ = -1;  // what came before the gap is not the line before
    }
    for (TrafficEntry& e : chunk_) Take(std::move(e));
    if (next == next_) break;
    next_ = next;
  }
}

size_t TrafficMonitorModel::PendingTrim() const {
  const size_t total = lines_.size() + pending_.size();
  return total > kMaxLines ? std::min(total - kMaxLines, lines_.size()) : 0;
}

void TrafficMonitorModel::ApplyTrim() {
  const size_t n = PendingTrim();
  lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(n));
  dropped_ += n;
}

void TrafficMonitorModel::ApplyAppend() {
  for (Entry& e : pending_) lines_.push_back(std::move(e));
  pending_.clear();
}

void TrafficMonitorModel::Update() {
  Collect();
  ApplyTrim();
  ApplyAppend();
}

std::string TrafficMonitorModel::Line(size_t row) const {
  const Entry& e = lines_.at(row);
  const TrafficRecord& r = e.record;
  std::string gap;
  if (e.gapUs >= 0) {
    char text[32];
    std::snprintf(text, sizeof text, "+%.1f ms", static_cast<double>(e.gapUs) / 1000.0);
    gap = text;
  }
  // Bytes heard are RX only when taken as a reply or thrown away as stray; the
  // line's echo of a request is no reply and gets a direction of its own.
  const char* direction = r.event == TrafficEvent::kTx                                      ? "TX"
                          : r.event == TrafficEvent::kRx || r.event == TrafficEvent::kStray ? "RX"
                          : r.event == TrafficEvent::kEcho                                  ? "EC"
                                                                                            : "--";
  const std::string tryText = std::to_string(r.attempt) + "/" + std::to_string(r.tries);
  std::string body;
  switch (r.event) {
    case TrafficEvent::kTx:
    case TrafficEvent::kRx:
      body = TrafficBytesText(e.bytes, r.line.transferMode == 0);
      if (r.event == TrafficEvent::kTx && r.attempt) body += "  [" + PickFilled(txt::kMonitorTry, {tryText}) + "]";
      break;
    case TrafficEvent::kTryFailed:
      body = PickFilled(txt::kMonitorTryFailed, {tryText}) + LinkResultText(r.code);
      break;
    case TrafficEvent::kOutcome:
      body = Pick(txt::kMonitorResult) + LinkResultText(r.code);
      if (r.tries) body += Pick(txt::kMonitorTries) + std::to_string(r.tries);
      break;
    case TrafficEvent::kPurge:
      body = Pick(txt::kMonitorPurge);
      if (r.code > 0) body += PickFilled(txt::kMonitorDiscarded, {std::to_string(r.code)});
      break;
    case TrafficEvent::kOpen:
      body = Pick(txt::kMonitorOpen) + e.bytes;
      break;
    case TrafficEvent::kOpenFailed:
      body = Pick(txt::kMonitorOpenFailed) + e.bytes + " (errno " + std::to_string(r.code) + ")";
      break;
    case TrafficEvent::kClose:
      body = Pick(txt::kMonitorClose);
      break;
    case TrafficEvent::kEcho:
    case TrafficEvent::kStray:
      body = TrafficBytesText(e.bytes, r.line.transferMode == 0) + "  [" +
             Pick(r.event == TrafficEvent::kEcho ? txt::kMonitorEcho : txt::kMonitorStray) + "]";
      break;
  }
  char head[96];
  std::snprintf(head, sizeof head, "%s  %11s  %s  %-16s  ", ClockText(r.wallMs).c_str(), gap.c_str(), direction,
                TrafficSettingsText(r.line).c_str());
  return head + body;
}

std::string TrafficMonitorModel::DroppedNote() const {
  return dropped_ ? PickFilled(txt::kMonitorDropped, {std::to_string(dropped_)}) : std::string();
}

void TrafficMonitorModel::Clear() {
  lines_.clear();
  pending_.clear();
  dropped_ = 0;
  lastSteadyUs_ = -1;
  next_ = recorder_.NextSeq();
}

std::string TrafficMonitorModel::Text(const std::vector<size_t>& rows) const {
  std::string out;
  auto add = [&out](const std::string& line) {
    out += line;
    out += '\n';
  };
  if (rows.empty()) {
    if (dropped_) add(DroppedNote());
    for (size_t i = 0; i < lines_.size(); ++i) add(Line(i));
    return out;
  }
  std::vector<size_t> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (size_t row : sorted)
    if (row < lines_.size()) add(Line(row));
  return out;
}

}  // namespace tolvane
