// The traffic monitor on Win32: a window beside the main window that lists
// what went over the line, one line per list entry, so that a screen reader or
// any other program reads them with the list's own messages. It reads the
// recorder on the window's thread, when it is shown and then every kRefreshMs
// while it is visible; closed, it only hides, so that one instance keeps its
// list, its pause and its clear.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "models/traffic_monitor_model.h"
#include "winui/dialog.h"
#include "winui/file_prompt.h"

namespace tolvane::win {

inline constexpr int kIdMonPause = 4000;
inline constexpr int kIdMonClear = 4001;
inline constexpr int kIdMonCopy = 4002;
inline constexpr int kIdMonSave = 4003;
inline constexpr int kIdMonNote = 4004;
inline constexpr int kIdMonList = 4005;

class CTrafficMonitorDlg : public Dialog {
 public:
  static constexpr UINT kRefreshMs = 200;

  explicit CTrafficMonitorDlg(TrafficRecorder& recorder = Traffic());
  ~CTrafficMonitorDlg() override;

  void RelabelWindow();
  void Refresh();  // takes what the recorder has new, unless paused
  void PlaceBeside(HWND window);

  void PauseClick();
  void ClearClick();
  void CopyClick();  // the selected lines, or all
  void SaveClick();

  // The file prompt of Save as Text (the system's Save As when unset); empty = cancelled.
  std::function<std::string(const FilePrompt&)> askPath;

  // Keys as the message loop hands them over: Ctrl+C copies, Tab and Escape
  // act as in every dialog. True when the key was taken.
  bool TranslateKey(MSG* msg);

  TrafficMonitorModel& model() { return model_; }
  HWND list() const { return list_; }
  HWND note() const { return note_; }
  HWND button(int id) const { return GetDlgItem(hwnd_, id); }
  bool refreshing() const { return timerOn_; }

 protected:
  DWORD Style() const override;
  void OnInit() override;
  bool Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) override;

 private:
  void Layout();
  void UpdateNote();
  void Refill();
  void AddLines(size_t firstRow);
  bool AtEnd() const;
  void ScrollToEnd();
  void SetRefreshing(bool on);

  TrafficMonitorModel model_;
  HWND list_ = nullptr, note_ = nullptr;
  HACCEL keys_ = nullptr;
  HICON bigIcon_ = nullptr, smallIcon_ = nullptr;
  int contentWidth_ = 0;
  bool timerOn_ = false;
  bool endBeforeResize_ = true;  // the view showed the last line when its size began to change
};

}  // namespace tolvane::win
