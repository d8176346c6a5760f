// The traffic monitor and the parameter files in the Win32 window, in process
// under wine: the keys work in the window's own modal loop, a Link's frames
// reach the list, and the file the Linux window saved loads here while this
// window saves the same bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "core/comm_settings.h"
#include "core/language.h"
#include "link/serial_link.h"
// Ours is sysfile::ReplaceFile; windows.h would have it name the system's.
#undef ReplaceFile
#include "platform/system_files.h"
#include "support/fresh_state.h"
#include "support/parameter_sample.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "winui/com_set_dlg.h"
#include "winui/main_dlg.h"
#include "winui/text_conversion.h"
#include "winui/traffic_monitor_dlg.h"
#include "winui/window_pump.h"

namespace tolvane::win {
namespace {

using test::PumpUntil;

// What any other program reads from the list.
std::vector<std::string> Lines(HWND list) {
  std::vector<std::string> lines;
  for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    lines.push_back(Utf8(text.c_str()));
  }
  return lines;
}

std::string Bytes(const std::string& path) { return sysfile::ReadFile(path, 1 << 20).bytes; }

class WinMonitor : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ResetProcessState();
    SetMessagePresenter(&rec);
    // A folder whose name only UTF-16 holds.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"监视 🙂 " + std::to_wstring(GetTickCount64());
    CreateDirectoryW(dir.c_str(), nullptr);
    folder = Utf8(dir);
  }
  void TearDown() override { test::ResetProcessState(); }
  MainDeps Deps(std::vector<std::string> ports = {}) {
    MainDeps deps;
    deps.askPath = [this](const FilePrompt& p) {
      prompts.push_back(p);
      return answer;
    };
    deps.runDialog = [this](Dialog& shown, HWND owner) -> INT_PTR {
      shown.Create(owner);
      onDialog(shown);
      return shown.result();
    };
    deps.listPorts = [ports] { return ports; };
    return deps;
  }
  HWND Open(std::vector<std::string> ports = {}) {
    dlg = std::make_unique<COndrelDlg>(Deps(ports));
    ShowWindow(dlg->Create(nullptr), SW_SHOW);
    return dlg->hwnd();
  }
  test::MessageRecorder rec;
  std::unique_ptr<COndrelDlg> dlg;
  std::function<void(Dialog&)> onDialog;
  std::vector<FilePrompt> prompts;
  std::string answer, folder;
};

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = Utf8(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// Each key arrives through the window's own modal loop, as the user types it:
// the window's accelerators, and the monitor's Copy, Pause (its button by the
// space bar) and Escape.
TEST_F(WinMonitor, TheKeysWorkInTheWindowsModalLoop) {
  COndrelDlg main(Deps());
  CTrafficMonitorDlg* m = nullptr;
  auto ctrl = [](HWND to, UINT key) {
    test::HoldCtrl(true);
    test::PostKey(to, key);
  };
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  std::string copied, shown;
  test::ModalSteps steps({
      [&] { ctrl(main.field(kStation), 'T'); },
      [&] {
        test::HoldCtrl(false);
        m = main.trafficMonitor();
        ASSERT_TRUE(m && IsWindowVisible(m->hwnd()));
        SendMessageW(m->button(kIdMonClear), BM_CLICK, 0, 0);
        Traffic().Record(TrafficEvent::kPurge);
        Traffic().Record(TrafficEvent::kClose);
        m->Refresh();
        test::PostKey(m->button(kIdMonPause), VK_SPACE);
      },
      [&] {
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->model().paused());
        EXPECT_EQ(TextOf(m->button(kIdMonPause)), "Resume");
        Traffic().Record(TrafficEvent::kPurge);  // not shown while paused
        m->Refresh();
        ctrl(m->list(), 'C');
      },
      [&] {
        test::HoldCtrl(false);
        ASSERT_NE(m, nullptr);
        copied = ClipboardText();
        const std::vector<std::string> lines = Lines(m->list());
        EXPECT_EQ(lines.size(), 2u);
        for (const std::string& line : lines) shown += line + "\r\n";
        test::PostKey(m->list(), VK_ESCAPE);
      },
      [&] {
        ASSERT_NE(m, nullptr);
        EXPECT_FALSE(IsWindowVisible(m->hwnd()));
        test::ShowSampleModule(main.model());
        ctrl(main.field(kStation), 'S');
      },
      [&] { ctrl(main.field(kStation), 'O'); },  // unconnected: no prompt
      [&] {
        test::HoldCtrl(false);
        main.End(IDCANCEL);
      },
  });
  main.RunModal(nullptr);
  EXPECT_TRUE(steps.finished());
  EXPECT_EQ(copied, shown);  // nothing selected: every line
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption, "Save Parameters");
  EXPECT_EQ(prompts[0].name, "KX-130_station12.ini");
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
}

TEST_F(WinMonitor, OneMonitorRelabelledFollowingTheEndAndSavingItsText) {
  HWND w = Open();
  wchar_t item[64];
  GetMenuStringW(GetSubMenu(GetMenu(w), 1), 3, item, 64, MF_BYPOSITION);
  EXPECT_STREQ(item, L"Load Parameters…\tCtrl+O");
  SendMessageW(w, WM_COMMAND, kCmdTrafficMonitor, 0);
  CTrafficMonitorDlg* m = dlg->trafficMonitor();
  ASSERT_TRUE(m && m->refreshing());
  SendMessageW(m->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(m->hwnd()) || m->refreshing());
  SendMessageW(w, WM_COMMAND, kCmdTrafficMonitor, 0);
  EXPECT_EQ(dlg->trafficMonitor(), m);
  SetUiLanguage(0);
  dlg->RelabelWindow();
  EXPECT_EQ(TextOf(m->button(kIdMonSave)), "另存为文本…");

  // New lines follow the end only while the view is there.
  SendMessageW(m->button(kIdMonClear), BM_CLICK, 0, 0);
  for (int i = 0; i < 200; ++i) Traffic().Record(TrafficEvent::kPurge);
  m->Refresh();
  ASSERT_EQ(Lines(m->list()).size(), 200u);
  EXPECT_NE(Lines(m->list())[0].find("清空收发缓冲区"), std::string::npos);
  EXPECT_GT(SendMessageW(m->list(), LB_GETTOPINDEX, 0, 0), 150);
  SendMessageW(m->list(), LB_SETTOPINDEX, 0, 0);
  Traffic().Record(TrafficEvent::kClose);
  m->Refresh();
  EXPECT_EQ(SendMessageW(m->list(), LB_GETTOPINDEX, 0, 0), 0);

  for (const std::string& path : {folder + "\\通信.txt", folder + "\\missing\\x.txt"}) {
    answer = path;
    SendMessageW(m->button(kIdMonSave), BM_CLICK, 0, 0);
  }
  EXPECT_EQ(Bytes(folder + "\\通信.txt"), m->model().Text());
  EXPECT_EQ(rec.Texts(), std::vector<std::string>{"文件无法保存！"});
}

// Against the simulated coupler: Link from the settings dialog while the monitor is open.
TEST_F(WinMonitor, ALinksProbeAndItsReplyAppearInTheList) {
  test::SimProcess sim({"--baud", "9600", "--mode", "0"});
  test::UsePort(sim.port(), 9600, 0);
  onDialog = [this](Dialog& d) {
    EXPECT_FALSE(IsWindowEnabled(dlg->trafficMonitor()->hwnd()));  // held, as by a message box
    auto& com = dynamic_cast<CComSetDlg&>(d);
    SendMessageW(com.button(kIdLink), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return com.ended(); }));
  };
  HWND w = Open({sim.port()});
  SendMessageW(w, WM_COMMAND, kCmdTrafficMonitor, 0);
  HWND list = dlg->trafficMonitor()->list();
  SendMessageW(dlg->trafficMonitor()->button(kIdMonClear), BM_CLICK, 0, 0);
  SendMessageW(w, WM_COMMAND, kCmdConnection, 0);
  ASSERT_TRUE(IsConnected());
  EXPECT_TRUE(IsWindowEnabled(dlg->trafficMonitor()->hwnd()));
  // The monitor's timer brings the lines in.
  auto has = [](const std::string& row, const char* a, const char* b) {
    return row.find(a) != std::string::npos && row.find(b) != std::string::npos;
  };
  size_t tx = 0;
  ASSERT_TRUE(PumpUntil([&] {
    const std::vector<std::string> rows = Lines(list);
    tx = 0;
    while (tx < rows.size() && !has(rows[tx], "TX  9600 8N2 RTU ", " 01 03 00 00 00 02 C4 0B  [try 1/3]")) ++tx;
    return tx + 2 < rows.size();
  }));
  EXPECT_TRUE(has(Lines(list)[tx + 1], "RX  9600 8N2 RTU ", " 01 03 04 15 01 10 02 ")) << Lines(list)[tx + 1];
  EXPECT_TRUE(has(Lines(list)[tx + 2], "--", "result: 0 OK, tries: 1")) << Lines(list)[tx + 2];
  Link().ClosePort();
}

TEST_F(WinMonitor, TheLinuxWindowsFileLoadsAndThisWindowSavesTheSameBytes) {
  std::string sample = "Z:" TOLVANE_TEST_DATA "/kx130_station12.ini", bad = folder + "\\bad.ini";
  for (char& c : sample) c = c == '/' ? '\\' : c;
  HWND w = Open();
  test::ShowSampleModule(dlg->model());
  answer = folder + "\\参数 ü 🙂";  // the suffix is added
  SendMessageW(w, WM_COMMAND, kCmdSaveParams, 0);
  ASSERT_EQ(rec.Texts(), std::vector<std::string>{txt::kParamSaved.en});
  EXPECT_EQ(test::Unstamped(Bytes(answer + ".ini")), test::Unstamped(Bytes(sample)));

  ASSERT_TRUE(sysfile::ReplaceFile(bad, "[Tolvane]\nFormat=1\n[Communication]\nStation=0\n"));
  for (const std::string& path : {sample, answer + ".ini", bad}) {
    Open();
    ConnectedFlag().store(1);
    SetText(dlg->field(kStopCode), "9");
    answer = path;
    rec.messages.clear();
    SendMessageW(dlg->hwnd(), WM_COMMAND, kCmdLoadParams, 0);
    const bool good = path != bad;
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_NE(rec.messages[0].text.find(good ? "have been loaded" : "\"0\" of [Communication] Station"),
              std::string::npos);
    EXPECT_EQ(TextOf(dlg->field(kStopCode)), good ? "7" : "9");
    EXPECT_EQ(SendMessageW(GetDlgItem(dlg->hwnd(), kIdBaudList), CB_GETCURSEL, 0, 0), good ? 5 : 3);
  }
}

}  // namespace
}  // namespace tolvane::win
