// The traffic monitor without its window: the recorder's records as display
// lines, the last kMaxLines of them, with Pause, Clear and the text to copy or save.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/traffic_recorder.h"

namespace tolvane {

// "9600 8N2 RTU", "1200 7E1 ASCII".
std::string TrafficSettingsText(const TrafficLine& line);
// Hex pairs for RTU; for ASCII the characters, with CR, LF and every other
// unprintable byte shown as <CR>, <LF>, <hh>.
std::string TrafficBytesText(const std::string& bytes, bool ascii);
// "7 check error (CRC/LRC)" in the current language.
std::string LinkResultText(int code);
// Local wall-clock time "hh:mm:ss.mmm".
std::string ClockText(int64_t wallMs);
// The name proposed for a saved log: "tolvane-traffic-20260304-102030.txt" in
// local time, so that several logs of one day sort by time and never clash.
std::string TrafficLogFileName(int64_t wallMs);

class TrafficMonitorModel {
 public:
  static constexpr size_t kMaxLines = 10000;

  // Starts with whatever the recorder still holds since the program started.
  explicit TrafficMonitorModel(TrafficRecorder& recorder);

  // Taking new records is three steps, so that a view can announce each change
  // before it happens: Collect reads what is new into a pending batch (nothing
  // while paused); ApplyTrim drops the oldest lines that the batch pushes out;
  // ApplyAppend adds the batch.
  void Collect();
  size_t PendingTrim() const;
  void ApplyTrim();
  size_t PendingAppend() const { return pending_.size(); }
  void ApplyAppend();
  void Update();  // all three

  size_t LineCount() const { return lines_.size(); }
  std::string Line(size_t row) const;  // in the current language
  uint64_t dropped() const { return dropped_; }
  std::string DroppedNote() const;  // empty while nothing has dropped off

  bool paused() const { return paused_; }
  void SetPaused(bool paused) { paused_ = paused; }

  // Empties the list and forgets everything recorded so far.
  void Clear();
  // The given rows, or every line with the note first when rows is empty; one
  // line each, LF-terminated.
  std::string Text(const std::vector<size_t>& rows = {}) const;

 private:
  struct Entry {
    TrafficRecord record;
    std::string bytes;
    int64_t gapUs = -1;  // to the line before; -1 when there is none to measure from
  };
  void Take(TrafficEntry&& e);

  TrafficRecorder& recorder_;
  uint64_t next_ = 1;
  int64_t lastSteadyUs_ = -1;
  uint64_t dropped_ = 0;
  bool paused_ = false;
  std::deque<Entry> lines_;
  std::deque<Entry> pending_;
  std::vector<TrafficEntry> chunk_;
};

}  // namespace tolvane
