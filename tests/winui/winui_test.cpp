// The Win32 window's wiring, in process under wine: the messages a user's
// clicks and keys produce reach the models, and the models' texts reach the
// controls. The rules themselves are the models' tests'.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/serial_link.h"
#include "support/fresh_state.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "tolvane_version.h"
#include "winui/about_dlg.h"
#include "winui/com_set_dlg.h"
#include "winui/controls.h"
#include "winui/find_module_dlg.h"
#include "winui/fonts.h"
#include "winui/lang_set_dlg.h"
#include "winui/main_dlg.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"
#include "winui/win_services.h"
#include "winui/window_pump.h"

namespace tolvane::win {
namespace {

using test::MessageRecorder;

using test::Key;
using test::Pump;
using test::PumpUntil;

void Type(HWND edit, const char* text) {
  for (const char* c = text; *c; ++c) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(*c), 0);
}

std::string MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return Utf8(text);
}

std::string HintText(HWND edit) {
  wchar_t text[128] = {};
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.hwnd = edit;
  ti.uId = 1;
  ti.lpszText = text;
  SendMessageW(EditHintWindow(edit), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
  return Utf8(text);
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProcessState();
    SetMessagePresenter(&rec);
  }
  void TearDown() override { test::ResetProcessState(); }
  // A shown, modeless main window whose dialogs this test runs itself.
  HWND Open(int language = 1) {
    SetUiLanguage(language);
    ResetDialogFont();
    MainDeps deps;
    deps.profile = &profile;
    deps.exeDir = L"C:\\Tolvane";
    deps.writeLanguage = [this](int lang) { written.push_back(lang); };
    deps.openDocument = [this](const std::wstring& path) { opened.push_back(path); };
    deps.runDialog = [this](Dialog& shown, HWND owner) -> INT_PTR {
      if (runDialog) return runDialog(shown, owner);
      shown.Create(owner);
      ShowWindow(shown.hwnd(), SW_SHOW);
      if (onDialog) onDialog(shown);
      return shown.result();
    };
    deps.askPath = [this](const FilePrompt& prompt) {
      prompts.push_back(prompt);
      return std::string();
    };
    if (!systemPorts) deps.listPorts = [] { return std::vector<std::string>{"COM3", "COM4"}; };
    dlg = std::make_unique<COndrelDlg>(deps);
    HWND hwnd = dlg->Create(nullptr);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    Pump();
    return hwnd;
  }
  MessageRecorder rec;
  test::MemoryProfile profile;
  std::vector<int> written;
  std::vector<std::wstring> opened;
  std::vector<FilePrompt> prompts;
  std::function<void(Dialog&)> onDialog;
  std::function<INT_PTR(Dialog&, HWND)> runDialog;  // instead of the modeless run with onDialog
  std::unique_ptr<COndrelDlg> dlg;
  bool systemPorts = false;  // the port list the system reports, not COM3 and COM4
};

TEST_F(MainWindow, TitleSystemMenuFieldsAndNames) {
  HWND w = Open();
  EXPECT_EQ(TextOf(w), "Tolvane");
  const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  HMENU system = GetSystemMenu(w, FALSE);
  const int last = GetMenuItemCount(system) - 1;
  EXPECT_EQ(GetMenuItemID(system, last), 16u);
  EXPECT_EQ(MenuText(system, static_cast<UINT>(last)), "关于 Tolvane(&A)...");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, kIdModeList)));
  EXPECT_EQ(SendDlgItemMessageW(w, kIdBaudList, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(TextOf(dlg->field(kStation)), "1");
  wchar_t cls[64] = {};
  GetClassNameW(dlg->field(kIpAddress), cls, 64);
  EXPECT_STREQ(cls, L"SysIPAddress32");
  EXPECT_EQ(HintText(dlg->field(kStation)), "Set range：（1～247）");
  // A screen reader names a field by the label before it, a button by its own text.
  for (int f = 0; f < kFieldCount; ++f)
    EXPECT_EQ(GetWindow(dlg->field(static_cast<Field>(f)), GW_HWNDPREV), GetDlgItem(w, kIdLabel + f)) << f;
  EXPECT_EQ(TextOf(GetDlgItem(w, kIdButton + 3)), "Network setting");
}

TEST_F(MainWindow, ButtonImagesFollowTheLogicalDpi) {
  const struct { int dpi, w, h; } cases[] = {{96, 41, 26}, {120, 51, 32}, {144, 61, 39}};
  for (const auto& c : cases) {
    SetLogicalDpiYForTest(c.dpi);
    HWND w = Open();
    EXPECT_EQ(dlg->buttonImageSize(), (ImageSize{c.w, c.h})) << c.dpi;
    RECT r;
    GetWindowRect(GetDlgItem(w, kIdButton), &r);
    EXPECT_EQ(r.right - r.left, c.w + 4) << c.dpi;
    dlg.reset();
  }
  SetLogicalDpiYForTest(0);
}

// A click takes the focus first, so a typed station is checked before the
// command runs; a refused entry ends the click there. BM_CLICK is how screen
// readers and UI Automation click.
TEST_F(MainWindow, AClickChecksTheTypedStationAndARefusalEndsIt) {
  const struct {
    int language;
    const char* typed;
    bool connected;
    int button;
    std::vector<TextPair> said;
    const char* shown;
  } cases[] = {
      {1, "3a00", false, 0, {txt::kStationRange}, "1"},   // the letter is dropped: 300
      {0, "3a00", false, 0, {txt::kStationRange}, "1"},   // the Chinese box belongs to the window
      {1, "0", true, 1, {txt::kStationRange}, "1"},       // connected: the download would write
      {1, "1a2", false, 0, {txt::kPleaseConnect}, "12"},  // a taken entry: the command runs
      {0, "007", false, 0, {txt::kPleaseConnect}, "7"},
  };
  HWND w = Open();  // one window: wine takes seconds to let one go
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + " language " + std::to_string(c.language));
    SetUiLanguage(c.language);  // messages choose their language as they are shown
    rec.messages.clear();
    dlg->model().station = 1;
    ConnectedFlag().store(c.connected ? 1 : 0);
    HWND station = dlg->field(kStation), button = GetDlgItem(w, kIdButton + c.button);
    SetFocus(station);
    SendMessageW(station, EM_SETSEL, 0, -1);
    Type(station, c.typed);
    SendMessageW(button, BM_CLICK, 0, 0);
    Pump();
    std::vector<std::string> said;
    for (const TextPair& t : c.said) said.push_back(Pick(t));
    EXPECT_EQ(rec.Texts(), said);
    ASSERT_FALSE(rec.messages.empty());
    EXPECT_EQ(rec.messages[0].owner, c.language == 0 ? ToWindowId(w) : nullptr);
    EXPECT_EQ(TextOf(station), c.shown);
    const bool refused = c.said[0].en == txt::kStationRange.en;
    EXPECT_EQ(GetFocus(), refused ? station : button);
    EXPECT_FALSE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED);  // not left pressed
    EXPECT_EQ(GetCapture(), nullptr);
  }
  ConnectedFlag().store(0);
}

// A stored language the program never writes is English, menu bar included,
// so that the user can still connect and choose the language.
TEST_F(MainWindow, EveryLanguageButChineseIsEnglishMenusIncluded) {
  HWND w = Open(2);  // as config.ini may hold it at the start
  for (int language : {2, 0, 255, 1}) {
    SCOPED_TRACE(language);
    if (language != 2) {
      SetUiLanguage(language);
      dlg->RelabelWindow();
    }
    const bool chinese = language == 0;
    ASSERT_NE(GetMenu(w), nullptr);
    EXPECT_EQ(MenuText(GetMenu(w), 0), chinese ? "通讯(&C)" : "Communication(&C)");
    EXPECT_EQ(MenuText(GetSubMenu(GetMenu(w), 1), 0), chinese ? "语言设置" : "Language Setting");
    EXPECT_EQ(TextOf(GetDlgItem(w, kIdLabel + kStation)), chinese ? "站号" : "Station No");
  }
}

TEST_F(MainWindow, EscapeIsIgnoredEnterAndTheCloseBoxClose) {
  HWND w = Open();
  SetFocus(dlg->field(kStopCode));
  Key(w, VK_ESCAPE);
  EXPECT_FALSE(dlg->ended());
  Key(w, VK_RETURN);
  EXPECT_TRUE(dlg->ended());
  EXPECT_EQ(dlg->result(), IDOK);
  w = Open();
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(dlg->ended());
}

TEST_F(MainWindow, TextsMoveBetweenModelAndFields) {
  Open();
  MainModel& m = dlg->model();
  m.kept[kModuleType] = "KX-130";
  m.kept[kIpAddress] = "192.168.1.10";
  m.kept[kMacAddress] = "00-12-34-56-78-9A";
  m.Show();
  EXPECT_EQ(TextOf(dlg->field(kModuleType)), "KX-130");
  DWORD address = 0;
  SendMessageW(dlg->field(kIpAddress), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 10)));
  SendMessageW(dlg->field(kIpAddress), IPM_CLEARADDRESS, 0, 0);
  SendMessageW(dlg->field(kGateway), IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(10, 0, 0, 1)));
  m.Take();
  EXPECT_EQ(m.kept[kIpAddress], "");
  EXPECT_EQ(m.kept[kGateway], "10.0.0.1");
  EXPECT_EQ(m.kept[kMacAddress], "00-12-34-56-78-9A");
}

TEST_F(MainWindow, BaudSelectionIsTakenAndTheFocusLeavesTheFields) {
  HWND w = Open();
  SetFocus(dlg->field(kStation));
  HWND baud = GetDlgItem(w, kIdBaudList);
  SendMessageW(baud, CB_SETCURSEL, 4, 0);
  SendMessageW(w, WM_COMMAND, MAKEWPARAM(kIdBaudList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(baud));
  EXPECT_EQ(dlg->model().baudCode, 4);
  EXPECT_EQ(GetFocus(), GetDlgItem(w, kIdFocusSink));
}

TEST_F(MainWindow, ALanguageSwitchRelabelsMenusAndLabelsButNotTheHints) {
  onDialog = [](Dialog& d) {
    auto* lang = dynamic_cast<CLangSetDlg*>(&d);
    ASSERT_NE(lang, nullptr);
    EXPECT_EQ(TextOf(lang->hwnd()), "Language setting");
    SendMessageW(lang->list(), CB_SETCURSEL, 0, 0);
    SendMessageW(lang->hwnd(), WM_COMMAND, MAKEWPARAM(kIdLangList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(lang->list()));
    EXPECT_EQ(GetFocus(), GetDlgItem(lang->hwnd(), IDOK));
    Key(lang->hwnd(), VK_RETURN);
  };
  HWND w = Open(1);
  EXPECT_EQ(MenuText(GetMenu(w), 0), "Communication(&C)");
  SendMessageW(w, WM_COMMAND, kCmdLanguage, 0);
  EXPECT_EQ(written, std::vector<int>{0});
  EXPECT_EQ(MenuText(GetMenu(w), 0), "通讯(&C)");
  EXPECT_EQ(MenuText(GetMenu(w), 2), "帮助(&H)");
  EXPECT_EQ(TextOf(GetDlgItem(w, kIdGroup)), "模块基本信息");
  EXPECT_EQ(TextOf(GetDlgItem(w, kIdLabel + kStation)), "站号");
  EXPECT_EQ(HintText(dlg->field(kStation)), "Set range：（1～247）");
  SendMessageW(w, WM_COMMAND, kCmdHelp, 0);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], L"C:\\Tolvane\\UserGuide_CH.pdf");
}

TEST_F(MainWindow, TheSystemMenuAndTheHelpMenuOpenAbout) {
  int shown = 0;
  onDialog = [&](Dialog& d) {
    ASSERT_NE(dynamic_cast<CAboutDlg*>(&d), nullptr);
    EXPECT_EQ(TextOf(GetDlgItem(d.hwnd(), kIdAboutLine)), std::string("Tolvane  Version: ") + kVersionShown);
    EXPECT_EQ(TextOf(GetDlgItem(d.hwnd(), IDOK)), "OK");
    ++shown;
  };
  HWND w = Open();
  SendMessageW(w, WM_SYSCOMMAND, kSysAbout, 0);
  SendMessageW(w, WM_COMMAND, kCmdAbout, 0);
  EXPECT_EQ(shown, 2);
}

// F1 in a dialog or message box reaches the window that owns it; About then
// waits until the window is free again.
TEST_F(MainWindow, F1OpensAboutOnlyWhileTheWindowIsFree) {
  int abouts = 0;
  Dialog* modal = nullptr;
  runDialog = [&](Dialog& d, HWND owner) -> INT_PTR {
    if (dynamic_cast<CAboutDlg*>(&d)) {
      ++abouts;
      return IDOK;
    }
    modal = &d;
    return d.RunModal(owner);
  };
  HWND w = Open();
  auto f1 = [w] {
    HELPINFO help{sizeof(HELPINFO), HELPINFO_WINDOW, 0, nullptr, 0, {0, 0}};
    SendMessageW(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  };
  win::Win32MessagePresenter boxes;  // a real box, which holds the window as it does for the user
  const struct {
    const char* holder;
    std::vector<test::ModalSteps::Step> steps;
  } cases[] = {
      {"nothing", {f1}},
      {"the language dialog",
       {[w] { SendMessageW(w, WM_COMMAND, kCmdLanguage, 0); }, f1,
        [&] { test::PostKey(GetDlgItem(modal->hwnd(), kIdLangList), VK_ESCAPE); }}},
      {"a message box",
       {[&] {
          SetMessagePresenter(&boxes);
          ShowMessagePair(ToWindowId(w), txt::kPleaseConnect);
          SetMessagePresenter(&rec);
        },
        f1, [] { PostMessageW(FindWindowW(nullptr, L"Remind"), WM_COMMAND, IDOK, 0); }}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holder);
    abouts = 0;
    test::ModalSteps steps(c.steps);
    ASSERT_TRUE(PumpUntil([&] { return steps.finished(); }));
    EXPECT_EQ(abouts, c.steps.size() == 1 ? 1 : 0);
    ASSERT_TRUE(IsWindowEnabled(w));
    f1();  // free again
    EXPECT_EQ(abouts, c.steps.size() == 1 ? 2 : 1);
  }
}

// The list shows its choice afresh whenever the focus goes to OK: after a
// pick, after the drop-down closes, after a click on the dialog.
TEST_F(MainWindow, TheLanguageListIsRedrawnEachTimeTheFocusGoesToOk) {
  const struct {
    const char* name;
    UINT msg;
    int code;
  } cases[] = {{"pick", WM_COMMAND, CBN_SELCHANGE}, {"close-up", WM_COMMAND, CBN_CLOSEUP}, {"click", WM_LBUTTONUP, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CLangSetDlg lang([](int) {});
    lang.Create(nullptr);
    ShowWindow(lang.hwnd(), SW_SHOW);
    HWND ok = GetDlgItem(lang.hwnd(), IDOK);
    SetFocus(ok);  // a focus leaving the list would redraw it by itself
    UpdateWindow(lang.list());
    ASSERT_FALSE(GetUpdateRect(lang.list(), nullptr, FALSE));
    if (c.msg == WM_COMMAND)
      SendMessageW(lang.hwnd(), WM_COMMAND, MAKEWPARAM(kIdLangList, c.code), reinterpret_cast<LPARAM>(lang.list()));
    else
      SendMessageW(lang.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_TRUE(GetUpdateRect(lang.list(), nullptr, FALSE));
    EXPECT_EQ(GetFocus(), ok);
  }
}

// The address fields look like the other framed fields: the accent frame on
// white, and the dialog's font in each of their boxes.
TEST_F(MainWindow, AddressFieldsHaveTheFrameAndFontOfTheOtherFields) {
  HWND w = Open();
  UpdateWindow(w);
  for (Field f : {kStation, kIpAddress, kSubnetMask, kGateway}) {
    SCOPED_TRACE(f);
    HWND field = dlg->field(f);
    RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r;
    GetWindowRect(field, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC dc = GetWindowDC(field);
    const POINT frame[] = {{0, height / 2}, {width - 1, height / 2}, {width / 2, 0}, {width / 2, height - 1}};
    for (POINT p : frame) EXPECT_EQ(GetPixel(dc, p.x, p.y), kFrameColour) << p.x << "," << p.y;
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));  // no grey edge inside the frame
    ReleaseDC(field, dc);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(field, WM_GETFONT, 0, 0)), DialogFont());
    int boxes = 0;
    for (HWND box = GetWindow(field, GW_CHILD); box; box = GetWindow(box, GW_HWNDNEXT), ++boxes)
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), DialogFont());
    EXPECT_EQ(boxes, f == kStation ? 0 : 4);
  }
}

// Link runs its worker; while it runs nothing else acts, and its outcome is
// shown on the window's thread.
TEST_F(MainWindow, SettingsDialogLinkOutcomeArrivesOnTheWindowsThread) {
  test::FakeLinkScope scope;  // opens and applies; the module never answers
  std::vector<DWORD> threads;
  onDialog = [&](Dialog& d) {
    auto& com = dynamic_cast<CComSetDlg&>(d);
    EXPECT_EQ(TextOf(com.hwnd()), "Communication Setting");
    EXPECT_EQ(TextOf(com.stationLabel()), "Device Address:");
    EXPECT_EQ(TextOf(GetWindow(com.list(kListPort), GW_HWNDPREV)), "COM port:");  // the list's name
    EXPECT_EQ(TextOf(com.list(kListPort)), "COM3");
    const std::function<void()> refresh = com.model().onChanged;
    com.model().onChanged = [&, refresh] {
      threads.push_back(GetCurrentThreadId());
      refresh();
    };
    SendMessageW(com.button(kIdLink), BM_CLICK, 0, 0);
    ASSERT_TRUE(com.model().WorkerRunning());
    EXPECT_FALSE(IsWindowEnabled(com.button(kIdComOk)));
    SendMessageW(com.hwnd(), WM_CLOSE, 0, 0);
    SendMessageW(com.hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(com.ended());
    ASSERT_TRUE(PumpUntil([&] { return !com.model().WorkerRunning(); }));
    EXPECT_EQ(TextOf(com.statusLine()), "Failed to connect, please reset!");
    EXPECT_TRUE(IsWindowEnabled(com.button(kIdComOk)));
    SendMessageW(com.button(kIdComOk), BM_CLICK, 0, 0);
    EXPECT_TRUE(com.ended());
  };
  HWND w = Open();
  SendMessageW(w, WM_COMMAND, kCmdConnection, 0);
  ASSERT_FALSE(threads.empty());
  for (DWORD t : threads) EXPECT_EQ(t, GetCurrentThreadId());
  EXPECT_EQ(profile.values["REM_DefaultCom/REM_ComPortName"], "COM3");  // OK stored the settings
}

// The user's pick in a settings list, as a click on an entry leaves it.
void Choose(CComSetDlg& com, ComList l, const std::string& entry) {
  HWND list = com.list(l);
  ASSERT_NE(SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), (LPARAM)Wide(entry).c_str()), CB_ERR) << entry;
  SendMessageW(com.hwnd(), WM_COMMAND, MAKEWPARAM(kIdComList + l, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// The system's serial backend and the simulator on a COM port of its own, as
// the user meets it: the port list, Link and Auto Link, then the window's commands.
TEST_F(MainWindow, LinkAndAutoLinkReachTheSimulatorThenTheWindowDownloads) {
  const struct {
    const char* name;
    std::vector<std::string> simArgs;
    bool autoLink;
    const char *station, *baud, *mode, *parity, *baudCode;
  } cases[] = {
      {"Link at the defaults", {"--baud", "9600", "--mode", "0"}, false, "1", "9600", "RTU", "No parity", "3: 9600"},
      {"Auto Link to 19200 ASCII 7E1",
       {"--baud", "19200", "--mode", "5", "--station", "7"},
       true,
       "7",
       "19200",
       "ASCII",
       "Even-check",
       "4: 19200"},
  };
  systemPorts = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ResetProcessState();
    SetMessagePresenter(&rec);
    rec.messages.clear();
    test::SimProcess sim(c.simArgs);
    onDialog = [&](Dialog& d) {
      auto& com = dynamic_cast<CComSetDlg&>(d);
      Choose(com, kListPort, sim.port());
      Choose(com, kListStation, c.station);
      if (c.autoLink) {
        SendMessageW(com.button(kIdAutoLink), BM_CLICK, 0, 0);
        EXPECT_EQ(TextOf(com.button(kIdAutoLink)), "Stop");
        ASSERT_TRUE(PumpUntil([&] { return !com.model().WorkerRunning(); }));
        EXPECT_EQ(TextOf(com.statusLine()),
                  "Detection successful, parameters configured! Please click on the connection!");
      }
      EXPECT_EQ(TextOf(com.list(kListBaud)), c.baud);
      EXPECT_EQ(TextOf(com.list(kListMode)), c.mode);
      EXPECT_EQ(TextOf(com.list(kListParity)), c.parity);
      SendMessageW(com.button(kIdLink), BM_CLICK, 0, 0);
      ASSERT_TRUE(PumpUntil([&] { return com.ended(); }));
    };
    HWND w = Open();
    SendMessageW(w, WM_COMMAND, kCmdConnection, 0);
    ASSERT_FALSE(rec.messages.empty());
    EXPECT_EQ(rec.messages[0].text, "Connection successful!The module model is KX-130.");
    EXPECT_EQ(profile.values["REM_DefaultCom/REM_ComPortName"], sim.port());
    // The silent read filled the window.
    EXPECT_EQ(TextOf(dlg->field(kModuleType)), "KX-130");
    EXPECT_EQ(TextOf(dlg->field(kStation)), c.station);
    EXPECT_EQ(TextOf(GetDlgItem(w, kIdBaudList)), c.baudCode);
    EXPECT_FALSE(TextOf(dlg->field(kMacAddress)).empty());

    HWND station = dlg->field(kStation);
    SetFocus(station);
    SendMessageW(station, EM_SETSEL, 0, -1);
    Type(station, "42");
    SendDlgItemMessageW(w, kIdButton + 1, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(sim.Registers()[2], 42);
    EXPECT_EQ(Comm().station, 42);
    EXPECT_EQ(rec.messages.back().text,
              "The command to modify communication parameters has been sent. Please reconnect the device!");
    dlg.reset();
  }
}

// The settings dialog in its own modal loop, as the user has it: the main
// window's accelerators do nothing there, and Escape puts back the settings a
// search changed, storing nothing.
TEST_F(MainWindow, InTheSettingsDialogsLoopEscapeRestoresAndTheWindowsKeysDoNothing) {
  test::SimProcess sim({"--baud", "19200", "--mode", "5"});
  systemPorts = true;
  CComSetDlg* com = nullptr;  // while it runs
  INT_PTR ended = 0;
  runDialog = [&](Dialog& d, HWND owner) {
    com = dynamic_cast<CComSetDlg*>(&d);
    ended = d.RunModal(owner);
    com = nullptr;
    return ended;
  };
  HWND w = Open();
  const CommSettings before = Comm();
  auto keys = [&](std::initializer_list<UINT> vks) {
    for (UINT vk : vks) test::PostKey(com->list(kListBaud), vk);
  };
  test::ModalSteps steps({
      [w] { SendMessageW(w, WM_COMMAND, kCmdConnection, 0); },
      [&] {
        ASSERT_NE(com, nullptr);
        Choose(*com, kListPort, sim.port());
        SendMessageW(com->button(kIdAutoLink), BM_CLICK, 0, 0);
      },
      test::ModalSteps::Until([&] { return !com || !com->model().WorkerRunning(); }),
      [&] {
        ASSERT_NE(com, nullptr);
        EXPECT_EQ(Comm().baud, 19200u);  // the search left what it found
        test::HoldCtrl(true);
        keys({'T', 'S', 'O'});
      },
      [&] {
        ASSERT_NE(com, nullptr);
        test::HoldCtrl(false);
        keys({VK_ESCAPE});
      },
  });
  ASSERT_TRUE(PumpUntil([&] { return steps.finished(); }));
  EXPECT_EQ(ended, IDCANCEL);
  EXPECT_EQ(Comm(), before);
  EXPECT_TRUE(profile.values.empty());
  EXPECT_EQ(dlg->trafficMonitor(), nullptr);
  EXPECT_TRUE(prompts.empty());
  EXPECT_TRUE(rec.messages.empty());
}

// While the search runs only its Stop acts; Stop brings the dialog back idle.
TEST_F(MainWindow, AutoLinkCanBeStoppedAndNothingElseActsMeanwhile) {
  test::SimProcess sim({"--station", "9"});  // the dialog's station 1 never answers
  systemPorts = true;
  onDialog = [&](Dialog& d) {
    auto& com = dynamic_cast<CComSetDlg&>(d);
    Choose(com, kListPort, sim.port());
    SendMessageW(com.button(kIdAutoLink), BM_CLICK, 0, 0);
    ASSERT_TRUE(com.model().WorkerRunning());
    for (int id : {kIdLink, kIdComOk, kIdComCancel}) EXPECT_FALSE(IsWindowEnabled(com.button(id))) << id;
    EXPECT_FALSE(IsWindowEnabled(com.list(kListBaud)));
    Key(com.hwnd(), VK_ESCAPE);
    SendMessageW(com.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(com.ended());
    SendMessageW(com.button(kIdAutoLink), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !com.model().WorkerRunning(); }));
    EXPECT_EQ(TextOf(com.statusLine()), "User stopped detection!");
    EXPECT_EQ(TextOf(com.button(kIdAutoLink)), "Auto Link");
    EXPECT_TRUE(IsWindowEnabled(com.button(kIdComOk)));
    EXPECT_TRUE(IsWindowEnabled(com.list(kListBaud)));
    EXPECT_EQ(Comm().baud, 9600u);
    SendMessageW(com.button(kIdComCancel), BM_CLICK, 0, 0);
    EXPECT_TRUE(com.ended());
  };
  HWND w = Open();
  SendMessageW(w, WM_COMMAND, kCmdConnection, 0);
  EXPECT_FALSE(IsConnected());
}

// Find Module from the menu: a short range finds the simulator's module; Use
// connects and the window reads it as after a Link, Close leaves the open
// connection as it was. The search's rules are the model's tests'.
TEST_F(MainWindow, FindModuleFindsTheSimulatorThenUseConnectsOrCloseLeavesAllAsItWas) {
  test::SimProcess sim({"--station", "201", "--baud", "19200", "--mode", "5"});
  const struct {
    int language;
    bool use;  // else Close, with the connection open before
    const char* menu;
    // The title; the labels before the ports, From, To, the line settings and
    // the results; the check box's and the buttons' own texts; then Search's
    // text while it runs, the figures and the status at the end.
    std::vector<std::string> texts;
  } rows[] = {
      {1,
       true,
       "Find Module...",
       {"Find Module", "COM port:", "From:", "To:", "Line settings:", "Modules found:", "Find all modules", "Search",
        "Use", "Close", "Stop", "11 probes, expected to take about 1 s.", "Search finished, 1 KX-130 found."}},
      {0,
       false,
       "查找模块...",
       {"查找模块", "COM口：", "起始站号：", "结束站号：", "通讯参数：", "找到的模块：", "查找所有模块", "搜索", "使用",
        "关闭", "停止", "共 11 次探测，预计约 1 秒。", "搜索完成，找到 1 个 KX-130。"}},
  };
  systemPorts = true;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.menu);
    test::ResetProcessState();
    SetMessagePresenter(&rec);
    rec.messages.clear();
    profile.values.clear();
    onDialog = [&](Dialog& d) {
      auto& find = dynamic_cast<CFindModuleDlg&>(d);
      auto item = [&find](int id) { return find.item(id); };
      std::vector<std::string> names{TextOf(find.hwnd())};
      for (int id : {kIdFindPorts, kIdFindFrom, kIdFindTo, kIdFindLines, kIdFindResults})
        names.push_back(TextOf(GetWindow(item(id), GW_HWNDPREV)));  // what a screen reader names it by
      for (int id : {kIdFindAll, kIdFindSearch, kIdFindUse, kIdFindClose}) names.push_back(TextOf(item(id)));
      EXPECT_EQ(TextOf(item(kIdFindPorts)), sim.port());
      EXPECT_FALSE(IsWindowEnabled(item(kIdFindUse)));
      SetText(item(kIdFindFrom), "195");
      SetText(item(kIdFindTo), "205");
      SendMessageW(item(kIdFindLines), CB_SETCURSEL, 1, 0);  // the connection's line settings
      SendMessageW(find.hwnd(), WM_COMMAND, MAKEWPARAM(kIdFindLines, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(item(kIdFindLines)));
      const std::string figures = TextOf(item(kIdFindFigures));
      SendMessageW(item(kIdFindSearch), BM_CLICK, 0, 0);
      names.push_back(TextOf(item(kIdFindSearch)));
      EXPECT_FALSE(IsWindowEnabled(item(kIdFindClose)));
      SendMessageW(find.hwnd(), WM_CLOSE, 0, 0);
      Key(find.hwnd(), VK_ESCAPE);
      EXPECT_FALSE(find.ended());
      ASSERT_TRUE(PumpUntil([&] { return !find.model().Running(); }));
      HWND results = item(kIdFindResults);
      ASSERT_EQ(SendMessageW(results, LB_GETCOUNT, 0, 0), 1);
      wchar_t line[64] = {};
      SendMessageW(results, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));  // as any program reads it
      EXPECT_EQ(Utf8(line), "201\t19200\tASCII 7E1\tKX-130");
      EXPECT_EQ(SendMessageW(results, LB_GETCURSEL, 0, 0), 0);               // the first found is selected
      EXPECT_EQ(SendMessageW(item(kIdFindProgress), PBM_GETPOS, 0, 0), 63);  // 7 probes of 11
      names.insert(names.end(), {figures, TextOf(item(kIdFindStatus))});
      EXPECT_EQ(names, r.texts);
      SendMessageW(item(r.use ? kIdFindUse : kIdFindClose), BM_CLICK, 0, 0);
      EXPECT_TRUE(find.ended());
    };
    HWND w = Open(r.language);
    test::UsePort(sim.port(), 19200, 5, 7);  // station 7 lies outside the range
    if (!r.use) {
      ASSERT_TRUE(Link().OpenPort());
      ConnectedFlag().store(1);
    }
    const CommSettings before = Comm();
    HMENU comm = GetSubMenu(GetMenu(w), 0);
    EXPECT_EQ(MenuText(comm, 1), r.menu);
    SendMessageW(w, WM_COMMAND, GetMenuItemID(comm, 1), 0);
    EXPECT_TRUE(rec.Texts().empty());
    EXPECT_TRUE(IsConnected());
    EXPECT_TRUE(Link().IsOpen());
    if (r.use) {
      EXPECT_EQ(profile.values["REM_DefaultCom/REM_StaNum"], "201");  // stored as the settings dialog's OK does
      EXPECT_EQ(TextOf(dlg->field(kModuleType)), "KX-130");           // read as after a Link
      EXPECT_EQ(TextOf(dlg->field(kStation)), "201");
      EXPECT_EQ(TextOf(GetDlgItem(w, kIdBaudList)), "4: 19200");
    } else {
      EXPECT_EQ(Comm(), before);
      EXPECT_TRUE(profile.values.empty());
      EXPECT_EQ(TextOf(dlg->field(kModuleType)), "");
    }
    dlg.reset();
  }
}

TEST(MessageBoxes, TheRuleBecomesTheRightCall) {
  MessageRequest zh{reinterpret_cast<WindowId>(0x1234), "提示", "文本", MsgIcon::Information, MsgButtons::Ok, false};
  const BoxCall a = BoxFor(zh);
  EXPECT_EQ(a.owner, reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(a.caption, L"提示");
  EXPECT_EQ(a.style, 0x2040u);
  EXPECT_EQ(a.language, 0);
  MessageRequest en{nullptr, "Remind", "Text", MsgIcon::Exclamation, MsgButtons::YesNo, true};
  const BoxCall b = BoxFor(en);
  EXPECT_EQ(b.owner, nullptr);
  EXPECT_EQ(b.language, 1033);
  EXPECT_EQ(b.style, static_cast<UINT>(MB_TASKMODAL | MB_YESNO | MB_ICONEXCLAMATION));
}

TEST(Controls, AHintSetTwiceKeepsOneToolWithTheSecondText) {
  HWND parent = CreateWindowExW(0, WC_STATICW, L"", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr, nullptr, nullptr);
  HWND edit = CreateDrawEdit(parent, 1, 0, 0, 0, 120, 24, true);
  SetEditHint(edit, L"first");
  SetEditHint(edit, nullptr);
  SetEditHint(edit, L"second");
  EXPECT_EQ(SendMessageW(EditHintWindow(edit), TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_EQ(HintText(edit), "second");
  Type(edit, "-1x2");
  EXPECT_EQ(TextOf(edit), "-12");
  // The text line stands in the middle of the frame, for a font set later too.
  for (int points : {9, 12}) {
    HFONT font = CreateFontW(-MulDiv(points, LogicalDpiY(), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                             0, L"Tahoma");
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    RECT window, client;
    GetWindowRect(edit, &window);
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    HDC dc = GetDC(edit);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    EXPECT_EQ(client.bottom - client.top, tm.tmHeight) << points;
    EXPECT_LE(std::abs((client.top - window.top) - (window.bottom - client.bottom)), 1) << points;
    SendMessageW(edit, WM_SETFONT, 0, FALSE);
    DeleteObject(font);
  }
  DestroyWindow(parent);
}

}  // namespace
}  // namespace tolvane::win
