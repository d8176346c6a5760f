// Find Module in the Win32 window, in process under wine against the simulator
// on a COM port: the menu opens the dialog, a short range finds the module, Use
// connects and the window reads it, Close leaves the connection as it was. The
// search's rules are the model's tests'.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/serial_link.h"
#include "support/fresh_state.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "winui/find_module_dlg.h"
#include "winui/main_dlg.h"

namespace tolvane::win {
namespace {

// Runs the thread's messages until done holds or the deadline passes; between
// batches it sleeps until the next message arrives.
bool PumpUntil(const std::function<bool()>& done, ULONGLONG limitMs = 60000) {
  const ULONGLONG end = GetTickCount64() + limitMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done() || GetTickCount64() >= end) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
}

std::vector<std::string> ListLines(HWND list) {
  std::vector<std::string> lines;
  for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    lines.push_back(Utf8(text.c_str()));
  }
  return lines;
}

// The command of the Communication menu's item with this text, 0 when there is none.
UINT MenuCommand(HWND window, const std::string& text) {
  HMENU comm = GetSubMenu(GetMenu(window), 0);
  for (int i = 0; i < GetMenuItemCount(comm); ++i) {
    wchar_t item[128] = {};
    GetMenuStringW(comm, static_cast<UINT>(i), item, 128, MF_BYPOSITION);
    if (Utf8(item) == text) return GetMenuItemID(comm, i);
  }
  return 0;
}

std::string LabelBefore(HWND control) { return TextOf(GetWindow(control, GW_HWNDPREV)); }

class FindModuleWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    test::ResetProcessState();
    SetMessagePresenter(&rec);
  }
  void TearDown() override {
    dlg.reset();
    test::ResetProcessState();
  }
  test::MessageRecorder rec;
  test::MemoryProfile profile;
  std::unique_ptr<COndrelDlg> dlg;
};

TEST_F(FindModuleWindow, AShortRangeFindsTheModuleThenUseConnectsOrCloseLeavesAllAsItWas) {
  test::SimProcess sim({"--station", "201", "--baud", "19200", "--mode", "5"});
  const struct Row {
    int lang;
    bool use, connectedBefore;
    const char *menu, *title, *portLabel, *from, *to, *lines, *results, *all, *search, *stop, *use_, *close;
    const char *expected, *progress, *status;
  } rows[] = {
      {1, true, false, "Find Module...", "Find Module", "COM port:", "From:", "To:", "Line settings:", "Modules found:",
       "Find all modules", "Search", "Stop", "Use", "Close", "11 probes, expected to take about 1 s.", "probe 7/11",
       "Search finished, 1 KX-130 found."},
      {0, false, true, "查找模块...", "查找模块", "COM口：", "起始站号：", "结束站号：", "通讯参数：", "找到的模块：",
       "查找所有模块", "搜索", "停止", "使用", "关闭", "共 11 次探测，预计约 1 秒。", "探测 7/11",
       "搜索完成，找到 1 个 KX-130。"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.title);
    test::ResetProcessState();
    SetMessagePresenter(&rec);
    rec.messages.clear();
    profile.values.clear();
    SetUiLanguage(r.lang);
    ResetDialogFont();
    bool shown = false;
    MainDeps deps;
    deps.profile = &profile;
    deps.listPorts = [&sim] { return std::vector<std::string>{"COM3", sim.port()}; };
    deps.runDialog = [&](Dialog& d, HWND owner) -> INT_PTR {
      auto* find = dynamic_cast<CFindModuleDlg*>(&d);
      if (!find) {
        ADD_FAILURE() << "not the Find Module dialog";
        return IDCANCEL;
      }
      shown = true;
      find->Create(owner);
      ShowWindow(find->hwnd(), SW_SHOW);
      HWND h = find->hwnd();
      auto item = [find](int id) { return find->item(id); };
      EXPECT_EQ(TextOf(h), r.title);
      // Each control is named by the label made right before it, or by its own text.
      const std::pair<int, const char*> names[] = {{kIdFindPorts, r.portLabel}, {kIdFindFrom, r.from},
                                                   {kIdFindTo, r.to},           {kIdFindLines, r.lines},
                                                   {kIdFindResults, r.results}};
      for (auto [id, label] : names) EXPECT_EQ(LabelBefore(item(id)), label) << id;
      const std::pair<int, const char*> texts[] = {
          {kIdFindAll, r.all}, {kIdFindSearch, r.search}, {kIdFindUse, r.use_}, {kIdFindClose, r.close}};
      for (auto [id, text] : texts) EXPECT_EQ(TextOf(item(id)), text) << id;
      EXPECT_EQ(TextOf(item(kIdFindPorts)), sim.port());  // the connection's port
      EXPECT_EQ(TextOf(item(kIdFindFrom)), "1");
      EXPECT_EQ(TextOf(item(kIdFindTo)), "247");
      EXPECT_EQ(IsDlgButtonChecked(h, kIdFindAll), BST_UNCHECKED);
      EXPECT_FALSE(IsWindowEnabled(item(kIdFindUse)));

      SetText(item(kIdFindFrom), "195");
      SetText(item(kIdFindTo), "205");
      HWND lines = item(kIdFindLines);
      SendMessageW(lines, CB_SETCURSEL, 1, 0);
      SendMessageW(h, WM_COMMAND, MAKEWPARAM(kIdFindLines, CBN_SELCHANGE), reinterpret_cast<LPARAM>(lines));
      EXPECT_EQ(TextOf(lines), "19200 ASCII 7E1");
      EXPECT_EQ(TextOf(item(kIdFindFigures)), r.expected);

      SendMessageW(item(kIdFindSearch), BM_CLICK, 0, 0);
      EXPECT_EQ(TextOf(item(kIdFindSearch)), r.stop);
      for (int id : {kIdFindPorts, kIdFindFrom, kIdFindLines, kIdFindClose, kIdFindUse})
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
      // Escape, the close box and Close do nothing while it runs.
      SendMessageW(h, WM_COMMAND, IDCANCEL, 0);
      SendMessageW(h, WM_CLOSE, 0, 0);
      SendMessageW(h, WM_COMMAND, MAKEWPARAM(kIdFindClose, BN_CLICKED), reinterpret_cast<LPARAM>(item(kIdFindClose)));
      EXPECT_FALSE(find->ended());
      EXPECT_TRUE(find->model().Running());

      EXPECT_TRUE(PumpUntil([&] { return !find->model().Running(); }));
      EXPECT_EQ(TextOf(item(kIdFindSearch)), r.search);
      EXPECT_EQ(ListLines(item(kIdFindResults)), std::vector<std::string>{"201\t19200\tASCII 7E1\tKX-130"});
      EXPECT_EQ(SendMessageW(item(kIdFindResults), LB_GETCURSEL, 0, 0), 0);  // the first found is selected
      EXPECT_NE(TextOf(item(kIdFindFigures)).find(r.progress), std::string::npos) << TextOf(item(kIdFindFigures));
      EXPECT_EQ(SendMessageW(item(kIdFindProgress), PBM_GETPOS, 0, 0), 63);  // 7 of 11
      EXPECT_EQ(TextOf(item(kIdFindStatus)), r.status);
      EXPECT_TRUE(IsWindowEnabled(item(kIdFindUse)));
      EXPECT_TRUE(IsWindowEnabled(item(kIdFindClose)));
      SendMessageW(item(r.use ? kIdFindUse : kIdFindClose), BM_CLICK, 0, 0);
      EXPECT_TRUE(find->ended());
      return find->result();
    };
    dlg = std::make_unique<COndrelDlg>(deps);
    HWND w = dlg->Create(nullptr);
    ShowWindow(w, SW_SHOW);
    // The connection before: station 7, not in the range, at the module's line settings.
    test::UsePort(sim.port(), 19200, 5, 7);
    if (r.connectedBefore) {
      ASSERT_TRUE(Link().OpenPort());
      ConnectedFlag().store(1);
    }
    const CommSettings before = Comm();

    const UINT command = MenuCommand(w, r.menu);
    ASSERT_NE(command, 0u);
    SendMessageW(w, WM_COMMAND, command, 0);
    ASSERT_TRUE(shown);
    EXPECT_TRUE(rec.Texts().empty());
    if (r.use) {
      EXPECT_EQ(Comm().station, 201);
      EXPECT_EQ(Comm().portName, sim.port());
      EXPECT_TRUE(IsConnected());
      EXPECT_EQ(profile.values["REM_DefaultCom/REM_StaNum"], "201");  // stored as the settings dialog's OK does
      // Read as after a Link.
      EXPECT_EQ(TextOf(dlg->field(kModuleType)), "KX-130");
      EXPECT_EQ(TextOf(dlg->field(kStation)), "201");
      EXPECT_EQ(TextOf(GetDlgItem(w, kIdBaudList)), "4: 19200");
    } else {
      EXPECT_EQ(Comm(), before);
      EXPECT_TRUE(Link().IsOpen());
      EXPECT_TRUE(IsConnected());
      EXPECT_TRUE(profile.values.empty());
      EXPECT_EQ(TextOf(dlg->field(kModuleType)), "");
    }
    dlg.reset();
    Link().ClosePort();
  }
}

}  // namespace
}  // namespace tolvane::win
