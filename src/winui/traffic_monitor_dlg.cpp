#include "winui/traffic_monitor_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "core/language.h"
#include "core/message_rule.h"
// Ours is sysfile::ReplaceFile; windows.h would have it name the system's.
#undef ReplaceFile
#include "platform/system_files.h"
#include "winui/bitmaps.h"
#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"

namespace tolvane::win {

namespace {
constexpr UINT_PTR kTimer = 1;
constexpr int kMargin = 10, kButtonTop = 8, kButtonHeight = 26, kGap = 6, kNoteHeight = 20;
constexpr int kButtons[] = {kIdMonPause, kIdMonClear, kIdMonCopy, kIdMonSave};

// The clipboard's text is UTF-16 with CR LF line ends, as other programs paste it.
void PutOnClipboard(HWND owner, const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : Wide(utf8)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(mem)));
    GlobalUnlock(mem);
    if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
  }
  CloseClipboard();
}
}  // namespace

CTrafficMonitorDlg::CTrafficMonitorDlg(TrafficRecorder& recorder) : model_(recorder) {
  ACCEL copy{FCONTROL | FVIRTKEY, 'C', kIdMonCopy};
  keys_ = CreateAcceleratorTableW(&copy, 1);
}

CTrafficMonitorDlg::~CTrafficMonitorDlg() {
  if (hwnd_) KillTimer(hwnd_, kTimer);
  if (keys_) DestroyAcceleratorTable(keys_);
  if (hwnd_) DestroyWindow(hwnd_);  // before its icons
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

// A window of its own beside the main window: it sizes, and minimises with its owner.
DWORD CTrafficMonitorDlg::Style() const {
  return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
}

void CTrafficMonitorDlg::OnInit() {
  bigIcon_ = ToIcon(IconArtwork(GetSystemMetrics(SM_CXICON)));
  smallIcon_ = ToIcon(IconArtwork(GetSystemMetrics(SM_CXSMICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  for (int id : kButtons) Child(hwnd_, WC_BUTTONW, "", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, id);
  note_ = Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, kIdMonNote);
  ShowWindow(note_, SW_HIDE);
  // A plain list of strings: what a screen reader or another program reads with LB_GETTEXT.
  list_ = Child(hwnd_, WC_LISTBOXW, "",
                WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 0, 0, 0,
                kIdMonList, WS_EX_CLIENTEDGE);
  SetClientSize(820, 420);
  RelabelWindow();
}

void CTrafficMonitorDlg::RelabelWindow() {
  SetText(hwnd_, Pick(txt::kMonitorTitle));
  SetText(button(kIdMonPause), Pick(model_.paused() ? txt::kMonitorResume : txt::kMonitorPause));
  SetText(button(kIdMonClear), Pick(txt::kMonitorClear));
  SetText(button(kIdMonCopy), Pick(txt::kMonitorCopy));
  SetText(button(kIdMonSave), Pick(txt::kMonitorSave));
  // The list has no label of its own: it is what the window is named after.
  SetText(list_, Pick(txt::kMonitorTitle));
  // The other language may bring other fonts.
  for (int id : kButtons) SendMessageW(button(id), WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  SendMessageW(note_, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(FixedFont()), FALSE);
  UpdateNote();
  Refill();
  Layout();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// Buttons as wide as their texts along the top, the note under them while
// there is one, the list in the rest.
void CTrafficMonitorDlg::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  int x = Scale(kMargin);
  for (int id : kButtons) {
    const std::wstring text = Wide(TextOf(button(id)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int w = std::max(Scale(84), static_cast<int>(size.cx) + Scale(24));
    MoveWindow(button(id), x, Scale(kButtonTop), w, Scale(kButtonHeight), TRUE);
    x += w + Scale(kGap);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  int top = Scale(kButtonTop + kButtonHeight + 6);
  if (IsWindowVisible(note_)) {
    MoveWindow(note_, Scale(kMargin), top, client.right - Scale(2 * kMargin), Scale(kNoteHeight), TRUE);
    top += Scale(kNoteHeight + 2);
  }
  MoveWindow(list_, Scale(kMargin), top, std::max(0L, client.right - Scale(2 * kMargin)),
             std::max(0L, client.bottom - top - Scale(kMargin)), TRUE);
}

void CTrafficMonitorDlg::UpdateNote() {
  const std::string text = model_.DroppedNote();
  SetText(note_, text);
  const bool shown = !text.empty();
  if (shown != (IsWindowVisible(note_) != FALSE)) {
    ShowWindow(note_, shown ? SW_SHOWNA : SW_HIDE);
    Layout();
  }
}

bool CTrafficMonitorDlg::AtEnd() const {
  const LRESULT count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
  if (count <= 0) return true;
  const LRESULT top = SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
  const LRESULT item = std::max<LRESULT>(1, SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
  RECT r;
  GetClientRect(list_, &r);
  return top + std::max<LRESULT>(1, r.bottom / item) >= count;
}

void CTrafficMonitorDlg::ScrollToEnd() {
  const LRESULT count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
  if (count > 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
}

// The lines from firstRow on into the list, and the list as wide as the
// widest, so that long frames scroll sideways instead of being cut off.
void CTrafficMonitorDlg::AddLines(size_t firstRow) {
  HDC dc = GetDC(list_);
  HGDIOBJ old = SelectObject(dc, FixedFont());
  for (size_t row = firstRow; row < model_.LineCount(); ++row) {
    const std::wstring line = Wide(model_.Line(row));
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
    contentWidth_ = std::max(contentWidth_, static_cast<int>(size.cx));
  }
  SelectObject(dc, old);
  ReleaseDC(list_, dc);
  SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(contentWidth_ + Scale(8)), 0);
}

// Every line again, in the current language.
void CTrafficMonitorDlg::Refill() {
  const bool follow = AtEnd();
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  SendMessageW(list_, LB_INITSTORAGE, model_.LineCount(), static_cast<LPARAM>(model_.LineCount() * 200));
  contentWidth_ = 0;
  AddLines(0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  if (follow) ScrollToEnd();
  InvalidateRect(list_, nullptr, TRUE);
}

void CTrafficMonitorDlg::Refresh() {
  const bool follow = AtEnd();
  const uint64_t droppedBefore = model_.dropped();
  model_.Collect();
  const size_t trim = model_.PendingTrim();
  if (trim > TrafficMonitorModel::kMaxLines / 4) {
    // Deleting from the front one by one would move the rest each time.
    model_.ApplyTrim();
    model_.ApplyAppend();
    Refill();
  } else if (trim || model_.PendingAppend()) {
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    model_.ApplyTrim();
    for (size_t i = 0; i < trim; ++i) SendMessageW(list_, LB_DELETESTRING, 0, 0);
    const size_t first = model_.LineCount();
    model_.ApplyAppend();
    AddLines(first);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    if (follow) ScrollToEnd();
    InvalidateRect(list_, nullptr, TRUE);
  }
  if (model_.dropped() != droppedBefore) UpdateNote();
}

void CTrafficMonitorDlg::PauseClick() {
  model_.SetPaused(!model_.paused());
  SetText(button(kIdMonPause), Pick(model_.paused() ? txt::kMonitorResume : txt::kMonitorPause));
  if (!model_.paused()) Refresh();
}

void CTrafficMonitorDlg::ClearClick() {
  model_.Clear();
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  contentWidth_ = 0;
  SendMessageW(list_, LB_SETHORIZONTALEXTENT, 0, 0);
  UpdateNote();
}

void CTrafficMonitorDlg::CopyClick() {
  std::vector<size_t> rows;
  const LRESULT n = SendMessageW(list_, LB_GETSELCOUNT, 0, 0);
  if (n > 0) {
    std::vector<int> items(static_cast<size_t>(n));
    const LRESULT got =
        SendMessageW(list_, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data()));
    for (LRESULT i = 0; i < got; ++i) rows.push_back(static_cast<size_t>(items[static_cast<size_t>(i)]));
  }
  PutOnClipboard(hwnd_, model_.Text(rows));
}

void CTrafficMonitorDlg::SaveClick() {
  FilePrompt prompt;
  prompt.caption = Pick(txt::kMonitorSaveCaption);
  prompt.name = TrafficLogFileName(static_cast<int64_t>(time(nullptr)) * 1000);
  prompt.filter = Pick(txt::kMonitorSaveFilter);
  prompt.extension = "txt";
  prompt.confirmOverwrite = true;
  const std::string path = askPath ? askPath(prompt) : AskFilePath(hwnd_, prompt);
  if (path.empty()) return;
  // A reader sees the old file or the whole new one, never a part.
  if (!sysfile::ReplaceFile(path, model_.Text())) ShowMessagePair(ToWindowId(hwnd_), txt::kMonitorSaveFailed);
}

void CTrafficMonitorDlg::PlaceBeside(HWND window) {
  RECT main, mine;
  GetWindowRect(window, &main);
  GetWindowRect(hwnd_, &mine);
  const int w = mine.right - mine.left, gap = Scale(8);
  MONITORINFO screen{};
  screen.cbSize = sizeof screen;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &screen);
  const RECT& avail = screen.rcWork;
  int x = main.right + gap;
  if (x + w > avail.right) {
    // On the left when it fits there, else as far right as the screen allows.
    x = main.left - gap - w >= avail.left ? main.left - gap - w : std::max(avail.left, avail.right - w);
  }
  SetWindowPos(hwnd_, nullptr, x, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTrafficMonitorDlg::SetRefreshing(bool on) {
  if (on && !timerOn_) timerOn_ = SetTimer(hwnd_, kTimer, kRefreshMs, nullptr) != 0;
  if (!on && timerOn_) {
    KillTimer(hwnd_, kTimer);
    timerOn_ = false;
  }
}

bool CTrafficMonitorDlg::TranslateKey(MSG* msg) {
  if (!hwnd_ || (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))) return false;
  return TranslateAcceleratorW(hwnd_, keys_, msg) || IsDialogMessageW(hwnd_, msg);
}

bool CTrafficMonitorDlg::Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (msg) {
    case WM_SHOWWINDOW:
      // Hidden also when its owner is minimised: no refresh that nobody sees.
      if (wParam) Refresh();
      SetRefreshing(wParam != 0);
      return false;
    case WM_TIMER:
      if (wParam != kTimer) return false;
      Refresh();
      *answer = TRUE;
      return true;
    case WM_WINDOWPOSCHANGING:
      endBeforeResize_ = AtEnd();
      return false;
    case WM_SIZE:
      Layout();
      // A smaller window moves the end out of view without the user scrolling.
      if (endBeforeResize_) ScrollToEnd();
      return false;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {Scale(420), Scale(200)};
      *answer = TRUE;
      return true;
    }
    case WM_CLOSE:
      ShowWindow(hwnd_, SW_HIDE);
      *answer = TRUE;
      return true;
    case WM_COMMAND:
      *answer = TRUE;
      switch (LOWORD(wParam)) {
        case kIdMonPause:
          PauseClick();
          return true;
        case kIdMonClear:
          ClearClick();
          return true;
        case kIdMonCopy:
          CopyClick();
          return true;
        case kIdMonSave:
          SaveClick();
          return true;
        case IDCANCEL:
          ShowWindow(hwnd_, SW_HIDE);
          return true;  // Escape closes, as in every dialog
        default:
          return true;  // Enter does nothing here
      }
    default:
      return false;
  }
}

}  // namespace tolvane::win
