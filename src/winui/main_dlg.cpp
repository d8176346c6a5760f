#include "winui/main_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/language.h"
#include "device/parameter_block.h"
#include "models/commands.h"
#include "models/parameter_file.h"
#include "platform/ini_file.h"
#include "tolvane_version.h"
#include "winui/about_dlg.h"
#include "winui/bitmaps.h"
#include "winui/com_set_dlg.h"
#include "winui/controls.h"
#include "winui/find_module_dlg.h"
#include "winui/fonts.h"
#include "winui/lang_set_dlg.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"
#include "winui/traffic_monitor_dlg.h"
#include "winui/win_services.h"

namespace tolvane::win {

namespace {
bool IsAddress(Field f) { return f == kIpAddress || f == kSubnetMask || f == kGateway; }

// Laid out at 96 pixels per inch: the four groups one below the other.
constexpr int kGroupLeft = 10, kGroupWidth = 640;
constexpr int kGroupTop[4] = {8, 122, 212, 302};
constexpr int kGroupHeight[4] = {104, 80, 80, 104};

struct Place {
  Field field;
  int group, x, y, labelWidth, fieldWidth;
};
// The order is the tab order: each label stands right before its field.
constexpr Place kPlaces[] = {{kModuleType, 0, 14, 32, 150, 140},      {kContractVersion, 0, 314, 32, 160, 130},
                             {kSoftwareVersion, 0, 14, 66, 150, 140}, {kHardwareVersion, 0, 314, 66, 160, 130},
                             {kStation, 1, 14, 36, 90, 50},           {kStopAddress, 2, 14, 36, 150, 130},
                             {kStopCode, 2, 314, 36, 160, 130},       {kIpAddress, 3, 14, 32, 100, 180},
                             {kSubnetMask, 3, 314, 32, 100, 180},     {kGateway, 3, 14, 66, 100, 180},
                             {kMacAddress, 3, 314, 66, 100, 180}};

std::string AddressText(HWND ip) {
  DWORD address = 0;
  if (SendMessageW(ip, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 0) return {};
  return std::to_string(FIRST_IPADDRESS(address)) + "." + std::to_string(SECOND_IPADDRESS(address)) + "." +
         std::to_string(THIRD_IPADDRESS(address)) + "." + std::to_string(FOURTH_IPADDRESS(address));
}

void SetAddressText(HWND ip, const std::string& text) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &end) == 4 && a < 256 && b < 256 && c < 256 && d < 256)
    SendMessageW(ip, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
  else
    SendMessageW(ip, IPM_CLEARADDRESS, 0, 0);
}

HMENU BuildMenuBar() {
  HMENU bar = CreateMenu();
  auto popup = [bar](const TextPair& title) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(menu), Wide(Pick(title)).c_str());
    return menu;
  };
  // The key after a tab: the menu shows it in its own column.
  auto item = [](HMENU menu, int id, const TextPair& text, const char* key = nullptr) {
    const std::string shown = key ? std::string(Pick(text)) + "\t" + key : std::string(Pick(text));
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), Wide(shown).c_str());
  };
  HMENU comm = popup(txt::kMenuComm);
  item(comm, kCmdConnection, txt::kMenuConnection);
  item(comm, kCmdFindModule, txt::kMenuFindModule);
  item(comm, kCmdTrafficMonitor, txt::kMenuTrafficMonitor, "Ctrl+T");
  AppendMenuW(comm, MF_SEPARATOR, 0, nullptr);
  item(comm, kCmdRestore, txt::kMenuRestore);
  HMENU setting = popup(txt::kMenuSetting);
  item(setting, kCmdLanguage, txt::kMenuLanguage);
  AppendMenuW(setting, MF_SEPARATOR, 0, nullptr);
  item(setting, kCmdSaveParams, txt::kMenuSaveParams, "Ctrl+S");
  item(setting, kCmdLoadParams, txt::kMenuLoadParams, "Ctrl+O");
  HMENU help = popup(txt::kMenuHelp);
  item(help, kCmdHelp, txt::kMenuUsingHelp);
  item(help, kCmdAbout, txt::kMenuAbout);
  return bar;
}

// The platform's files for Save and Load: the whole file replaced at once.
ParameterFileAccess ParameterFiles() {
  ParameterFileAccess files;
  files.exists = [](const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  files.replace = [](const std::string& path, const std::string& bytes) { return ini::WriteWholeFile(path, bytes); };
  files.read = [](const std::string& path, bool* tooLarge) -> std::optional<std::string> {
    ini::FileText file = ini::ReadFile(path, kMaxParameterFileBytes);
    *tooLarge = file.tooLarge;
    if (file.state != ini::FileState::kRead) return std::nullopt;
    return std::move(file.bytes);
  };
  return files;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The main window runs in the dialog manager's own loop, which translates no
// accelerators and knows no other dialog: its IsDialogMessage hands every
// message to this thread's message filter first, where the window takes its keys.
thread_local COndrelDlg* t_keyWindow = nullptr;
thread_local bool t_inFilter = false;

LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && t_keyWindow && !t_inFilter) {
    t_inFilter = true;  // the monitor's own IsDialogMessage comes back here
    const bool taken = t_keyWindow->TranslateKey(reinterpret_cast<MSG*>(lParam));
    t_inFilter = false;
    if (taken) return TRUE;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

COndrelDlg::COndrelDlg(MainDeps deps) : deps_(std::move(deps)) {
  if (!deps_.ui) deps_.ui = &GuiDispatcher();
  if (!deps_.runDialog) deps_.runDialog = [](Dialog& dlg, HWND owner) { return dlg.RunModal(owner); };
}

COndrelDlg::~COndrelDlg() {
  monitor_.reset();
  if (keyHook_) UnhookWindowsHookEx(keyHook_);
  if (t_keyWindow == this) t_keyWindow = nullptr;
  if (keys_) DestroyAcceleratorTable(keys_);
  model_.SetView(nullptr, nullptr);
  if (hwnd_) {
    HMENU menu = GetMenu(hwnd_);
    SetMenu(hwnd_, nullptr);
    if (menu) DestroyMenu(menu);
  }
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

// A sizing border and a minimise button, no maximise button.
DWORD COndrelDlg::Style() const { return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME; }

INT_PTR COndrelDlg::RunDialog(Dialog& dlg) {
  // The dialog holds the monitor's buttons too, as the program's message boxes
  // do; its list keeps growing meanwhile.
  HWND monitor = monitor_ ? monitor_->hwnd() : nullptr;
  const bool held = monitor && !EnableWindow(monitor, FALSE);
  const INT_PTR result = deps_.runDialog(dlg, hwnd_);
  if (held) EnableWindow(monitor, TRUE);
  return result;
}

void COndrelDlg::OnInit() {
  SetWindowTextW(hwnd_, Wide(txt::kWindowTitle).c_str());
  model_.SetView(this, ToWindowId(hwnd_));
  model_.Start(deps_.profile);

  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'T', kCmdTrafficMonitor},
                  {FCONTROL | FVIRTKEY, 'S', kCmdSaveParams},
                  {FCONTROL | FVIRTKEY, 'O', kCmdLoadParams}};
  keys_ = CreateAcceleratorTableW(keys, 3);
  keyHook_ = SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());
  t_keyWindow = this;

  HMENU system = GetSystemMenu(hwnd_, FALSE);
  if (system && *txt::kSystemMenuAbout) {
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(system, MF_STRING, kSysAbout, Wide(txt::kSystemMenuAbout).c_str());
  }
  bigIcon_ = ToIcon(IconArtwork(GetSystemMetrics(SM_CXICON)));
  smallIcon_ = ToIcon(IconArtwork(GetSystemMetrics(SM_CXSMICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  // Takes the focus away from the fields; it is there but shows nothing.
  sink_ = Child(hwnd_, WC_STATICW, "", 0, 0, 0, 0, 0, kIdFocusSink);

  imageSize_ = ButtonImageSize(LogicalDpiY());
  for (int g = 0; g < 4; ++g) {
    groups_[g] = Child(hwnd_, WC_BUTTONW, "", BS_GROUPBOX | WS_CLIPSIBLINGS, kGroupLeft, kGroupTop[g], kGroupWidth,
                       kGroupHeight[g], kIdGroup + g);
    for (const Place& p : kPlaces) {
      if (p.group != g) continue;
      const int x = kGroupLeft + p.x, y = kGroupTop[g] + p.y;
      labels_[p.field] = Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, x, y, p.labelWidth, 24,
                               kIdLabel + p.field);
      const int fx = x + p.labelWidth, id = kIdField + p.field;
      if (IsAddress(p.field)) {
        fields_[p.field] = CreateAddressField(hwnd_, id, fx, y, p.fieldWidth, 24);
        continue;
      }
      const bool readOnly = p.field != kStation && p.field != kStopAddress && p.field != kStopCode;
      fields_[p.field] =
          CreateDrawEdit(hwnd_, id, (readOnly ? ES_READONLY : 0) | (p.field == kMacAddress ? ES_CENTER : 0), fx, y,
                         p.fieldWidth, 24, true);
      if (p.field == kStation) {
        // The communication group's two lists follow the station number on its row.
        const int top = kGroupTop[1] + 36;
        modeLabel_ =
            Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_CENTERIMAGE, kGroupLeft + 170, top, 140, 24, kIdModeLabel);
        modeList_ = Child(hwnd_, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kGroupLeft + 310, top,
                          140, 200, kIdModeList);
        baudLabel_ =
            Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_CENTERIMAGE, kGroupLeft + 464, top, 76, 24, kIdBaudLabel);
        baudList_ = Child(hwnd_, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kGroupLeft + 540, top,
                          90, 220, kIdBaudList);
      }
    }
    // The command button sits on the group's frame line at its upper right corner.
    const int right = Scale(kGroupLeft + kGroupWidth) - 1, top = Scale(kGroupTop[g]);
    buttons_[g] = CreateImageButton(hwnd_, kIdButton + g, 0, 0, 0, 0);
    SetWindowPos(buttons_[g], nullptr, right - imageSize_.width - 14, top - imageSize_.height / 2 + 6,
                 imageSize_.width + 4, imageSize_.height + 4, SWP_NOZORDER);
    const Artwork image = g == 0 ? UploadArtwork(imageSize_.width, imageSize_.height)
                                 : DownloadArtwork(imageSize_.width, imageSize_.height);
    SetButtonImages(buttons_[g], image, image, ImageAlign::Top);
  }
  // The frames lie beneath everything, so that they never paint over a button.
  for (HWND g : groups_) SetWindowPos(g, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  for (HWND list : {modeList_, baudList_}) SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Scale(18));

  RelabelWindow();
  SetClientSize(kGroupLeft * 2 + kGroupWidth, kGroupTop[3] + kGroupHeight[3] + 12);
  SetEditHint(fields_[kStation], Wide(Pick(txt::kHintStation)).c_str());
  SetEditHint(fields_[kStopAddress], Wide(Pick(txt::kHintStopAddr)).c_str());
  SetEditHint(fields_[kStopCode], Wide(Pick(txt::kHintStopCode)).c_str());
  for (const char* e : CommModeEntries()) SendMessageW(modeList_, CB_ADDSTRING, 0, (LPARAM)Wide(e).c_str());
  for (const char* e : BaudCodeEntries()) SendMessageW(baudList_, CB_ADDSTRING, 0, (LPARAM)Wide(e).c_str());
  model_.Initialise();
  EnableWindow(modeList_, FALSE);
  SetFocus(fields_[kStation]);
}

// Every language other than Chinese is English here, the menus too: a stored
// value the program never writes must not leave the user without the menu
// that changes it back.
void COndrelDlg::RelabelWindow() {
  HMENU old = GetMenu(hwnd_);
  SetMenu(hwnd_, BuildMenuBar());
  if (old) DestroyMenu(old);
  DrawMenuBar(hwnd_);
  // A command button shows only an image: its window text, the group's caption, names it.
  for (int g = 0; g < kGroupCount; ++g) {
    SetText(groups_[g], Pick(GroupCaption(g)));
    SetText(buttons_[g], Pick(GroupCaption(g)));
  }
  for (int f = 0; f < kFieldCount; ++f) SetText(labels_[f], Pick(FieldLabel(static_cast<Field>(f))));
  SetText(modeLabel_, Pick(txt::kLblCommMode));
  SetText(baudLabel_, Pick(txt::kLblBaud));
  FitLabels();
  if (monitor_) monitor_->RelabelWindow();
}

// A label whose text is wider in the dialog font than its room takes the room
// from the start of its field, keeping its right edge, up to a third of the field.
void COndrelDlg::FitLabels() {
  auto rectOf = [this](HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  if (rows_.empty()) {
    for (int f = 0; f < kFieldCount; ++f)
      rows_.push_back({labels_[f], fields_[f], rectOf(labels_[f]), rectOf(fields_[f])});
    rows_.push_back({modeLabel_, modeList_, rectOf(modeLabel_), rectOf(modeList_)});
    rows_.push_back({baudLabel_, baudList_, rectOf(baudLabel_), rectOf(baudList_)});
  }
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, DialogFont());
  for (const LabelRow& r : rows_) {
    const std::wstring text = Wide(TextOf(r.label));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    const int room = r.labelRect.right - r.labelRect.left, width = r.fieldRect.right - r.fieldRect.left;
    const int extra = std::clamp(static_cast<int>(size.cx) + Scale(6) - room, 0, width / 3);
    MoveWindow(r.label, r.labelRect.left, r.labelRect.top, room + extra, r.labelRect.bottom - r.labelRect.top, TRUE);
    // A list's window height is that of its open drop-down.
    const bool list = r.field == modeList_ || r.field == baudList_;
    SetWindowPos(r.field, nullptr, r.fieldRect.left + extra, r.fieldRect.top, width - extra,
                 list ? Scale(220) : r.fieldRect.bottom - r.fieldRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
}

void COndrelDlg::Pull(MainModel& m) {
  for (int f = 0; f < kFieldCount; ++f)
    m.fields[f] = IsAddress(static_cast<Field>(f)) ? AddressText(fields_[f]) : TextOf(fields_[f]);
  m.modeSelection = static_cast<int>(SendMessageW(modeList_, CB_GETCURSEL, 0, 0));
  m.baudSelection = static_cast<int>(SendMessageW(baudList_, CB_GETCURSEL, 0, 0));
}

void COndrelDlg::Push(const MainModel& m) {
  for (int f = 0; f < kFieldCount; ++f) {
    if (IsAddress(static_cast<Field>(f))) {
      if (AddressText(fields_[f]) != m.fields[f]) SetAddressText(fields_[f], m.fields[f]);
    } else if (TextOf(fields_[f]) != m.fields[f]) {
      SetText(fields_[f], m.fields[f]);
    }
  }
  SendMessageW(modeList_, CB_SETCURSEL, m.modeSelection, 0);
  SendMessageW(baudList_, CB_SETCURSEL, m.baudSelection, 0);
  InvalidateRect(modeList_, nullptr, TRUE);
  InvalidateRect(baudList_, nullptr, TRUE);
}

void COndrelDlg::FocusField(Field f) {
  if (IsAddress(f))
    SendMessageW(fields_[f], IPM_SETFOCUS, 0, 0);
  else
    SetFocus(fields_[f]);
}

void COndrelDlg::FocusAway() { SetFocus(sink_); }

bool COndrelDlg::Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      *answer = TRUE;
      return true;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) >= kSysAbout && (wParam & 0xFFF0) < 32) {
        AboutCommand();
        *answer = TRUE;
        return true;
      }
      return false;
    case WM_HELP:
      // F1 in a dialog or message box this window owns reaches it here: while
      // that holds the window disabled, F1 opens nothing.
      if (IsWindowEnabled(hwnd_)) AboutCommand();
      *answer = TRUE;
      return true;
    case WM_CLOSE:  // the close box and the system menu's Close
      End(IDCANCEL);
      *answer = TRUE;
      return true;
    case WM_LBUTTONUP:  // over the background, not over a control
      FocusAway();
      return false;
    case WM_DRAWITEM: {
      *answer = DrawImageButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return *answer != 0;
    }
    default:
      return false;
  }
}

void COndrelDlg::OnCommand(int id, int code, HWND control) {
  if (id >= kIdField && id < kIdField + kFieldCount && code == EN_KILLFOCUS) {
    // Only a move within the window checks: not the window's own end, nor
    // another program taking the focus.
    HWND now = GetFocus();
    if (!ended() && now && (now == hwnd_ || IsChild(hwnd_, now))) model_.OnFieldFocusLost();
    return;
  }
  if (id == kIdBaudList && code == CBN_SELCHANGE) {
    model_.OnSelectBaudRate(static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0)));
    return;
  }
  if ((id == kIdBaudList || id == kIdModeList) && code == CBN_CLOSEUP) {
    FocusAway();
    return;
  }
  if (id >= kIdButton && id < kIdButton + 4 && code == BN_CLICKED) {
    switch (id - kIdButton) {
      case 0:
        UploadParameters(model_);
        break;
      case 1:
        ModifyCommParameters(model_);
        break;
      case 2:
        WriteShutdownParameters(model_);
        break;
      default:
        DownloadNetworkConfiguration(model_);
        break;
    }
    return;
  }
  switch (id) {
    case IDOK:  // Enter in a field or a list
      End(IDOK);
      return;
    case IDCANCEL:  // Escape: the window stays open
      return;
    case kCmdConnection:
      ConnectionCommand();
      return;
    case kCmdFindModule:
      FindModuleCommand();
      return;
    case kCmdRestore:
      RestoreFactory(model_);
      return;
    case kCmdLanguage:
      LanguageCommand();
      return;
    case kCmdHelp:
      HelpCommand();
      return;
    case kCmdAbout:
      AboutCommand();
      return;
    case kCmdTrafficMonitor:
      TrafficMonitorCommand();
      return;
    case kCmdSaveParams:
      SaveParametersCommand();
      return;
    case kCmdLoadParams:
      LoadParametersCommand();
      return;
    default:
      return;
  }
}

void COndrelDlg::ConnectionCommand() {
  CComSetDlg dlg(*deps_.ui, deps_.listPorts);
  const INT_PTR result = RunDialog(dlg);
  model_.ConnectionDialogEnded(result == IDOK, dlg.model().linkStarted);
}

// Use in the dialog stores the module's settings and connects as Link does; the
// window then reads the module as after a Link.
void COndrelDlg::FindModuleCommand() {
  CFindModuleDlg dlg(*deps_.ui, deps_.listPorts);
  if (RunDialog(dlg) == IDOK) model_.ConnectionDialogEnded(true, true);
}

void COndrelDlg::LanguageCommand() {
  const int before = UiLanguage();
  CLangSetDlg dlg(deps_.writeLanguage);
  RunDialog(dlg);
  if (UiLanguage() == before) return;
  // The other language may have another fallback font.
  ResetDialogFont();
  EnumChildWindows(
      hwnd_,
      [](HWND child, LPARAM) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), TRUE);
        return TRUE;
      },
      0);
  RelabelWindow();
}

std::wstring COndrelDlg::HelpPath() const { return deps_.exeDir + L"\\" + Wide(UserGuideName()); }

void COndrelDlg::HelpCommand() {
  const std::wstring path = HelpPath();
  if (deps_.openDocument)
    deps_.openDocument(path);
  else
    ShellExecuteW(hwnd_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);  // a failure shows nothing
}

void COndrelDlg::AboutCommand() {
  CAboutDlg dlg;
  RunDialog(dlg);
}

bool COndrelDlg::TranslateKey(MSG* msg) {
  if (monitor_ && monitor_->TranslateKey(msg)) return true;
  if (!hwnd_ || (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd))) return false;
  return TranslateAcceleratorW(hwnd_, keys_, msg) != 0;
}

void COndrelDlg::TrafficMonitorCommand() {
  if (!monitor_) {
    monitor_ = std::make_unique<CTrafficMonitorDlg>();
    monitor_->askPath = deps_.askPath;
    monitor_->Create(hwnd_);
    monitor_->PlaceBeside(hwnd_);
  }
  HWND w = monitor_->hwnd();
  ShowWindow(w, IsIconic(w) ? SW_RESTORE : SW_SHOW);
  SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(w);
}

std::string COndrelDlg::AskPath(const FilePrompt& prompt) {
  return deps_.askPath ? deps_.askPath(prompt) : AskFilePath(hwnd_, prompt);
}

void COndrelDlg::SaveParametersCommand() {
  const std::optional<ModuleParameters> values = CollectParameters(model_);
  if (!values) return;
  FilePrompt prompt;
  prompt.caption = Pick(txt::kParamSaveTitle);
  prompt.folder = parameterFolder_;
  prompt.name = ProposedParameterFileName(*values);
  prompt.filter = Pick(txt::kParamFileFilter);
  prompt.extension = "ini";
  const std::string path = AskPath(prompt);
  if (path.empty()) return;
  const ParameterFileStamp stamp{kVersion, SavedStamp(static_cast<int64_t>(std::time(nullptr)))};
  const std::string written = SaveParameterFile(model_, *values, path, stamp, ParameterFiles());
  if (!written.empty()) parameterFolder_ = FolderOf(written);
}

void COndrelDlg::LoadParametersCommand() {
  if (!RequireConnection(model_)) return;  // before the user picks a file
  FilePrompt prompt;
  prompt.save = false;
  prompt.caption = Pick(txt::kParamLoadTitle);
  prompt.folder = parameterFolder_;
  prompt.filter = Pick(txt::kParamFileFilter);
  prompt.extension = "ini";
  const std::string path = AskPath(prompt);
  if (path.empty()) return;
  LoadParameterFile(model_, path, ParameterFiles());
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    parameterFolder_ = FolderOf(path);
}

}  // namespace tolvane::win
