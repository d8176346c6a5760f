// Renders the Windows main window (filled from a module on the given COM port,
// when one answers there), the traffic monitor of that run (its times from a
// fixed clock), the box of a successful Link and the communication settings
// dialog in both languages to 24-bit BMP files: win_main_filled_*.bmp,
// win_monitor_*.bmp, win_linked_*.bmp, win_settings_*.bmp (* en or zh), the
// pictures of the user guides in the Windows packages; also the About box opened from the
// system menu (win_about_*.bmp), the language dialog (win_language_*.bmp) and
// the window after a switch to the other language (win_switched_*.bmp) and the
// Find Module dialog after a search that found the module (win_find_module_*.bmp).
// Run under wine on a display.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/comm_settings.h"
#include "core/language.h"
#include "core/texts.h"
#include "link/serial_link.h"
#include "modbus/modbus_master.h"
#include "models/commands.h"
#include "picture_clock.h"
#include "winui/com_set_dlg.h"
#include "winui/find_module_dlg.h"
#include "winui/fonts.h"
#include "winui/lang_set_dlg.h"
#include "winui/main_dlg.h"
#include "winui/screen_scale.h"
#include "winui/traffic_monitor_dlg.h"
#include "winui/win_services.h"

using namespace tolvane;

namespace {

void Pump(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// The window as the screen shows it, frame and title included.
bool Save(HWND hwnd, const std::string& path) {
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(700);
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr), mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  const int stride = ((w * 3 + 3) / 4) * 4;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * h), 0,
                      0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(&fh, sizeof(fh), 1, f) == 1 &&
            std::fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
            std::fwrite(bits, static_cast<size_t>(stride) * h, 1, f) == 1;
  if (f) ok = std::fclose(f) == 0 && ok;
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
  return ok;
}

// The box of a successful Link: a timer of this thread, which the box's own
// message loop runs, saves it once it is up and presses its OK.
std::string g_boxPath;
HWND g_boxOwner = nullptr;  // a dialog too, but disabled while the box is up
bool g_boxSaved = false;

void CALLBACK SaveBoxOnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM found) -> BOOL {
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (w != g_boxOwner && IsWindowVisible(w) && IsWindowEnabled(w) && lstrcmpW(cls, L"#32770") == 0)
          *reinterpret_cast<HWND*>(found) = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  g_boxSaved = Save(box, g_boxPath);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

bool SaveLinkedBox(HWND owner, const std::string& path) {
  g_boxPath = path;
  g_boxOwner = owner;
  g_boxSaved = false;
  SetTimer(nullptr, 0, 50, &SaveBoxOnTimer);
  ShowPlainBox(owner, Pick(txt::kModelKx130));
  return g_boxSaved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: win_screenshots OUTPUT_DIR COM_PORT\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
  InitCommonControlsEx(&controls);
  const std::string out = argv[1], port = argv[2];
  win::Win32MessagePresenter presenter;
  SetMessagePresenter(&presenter);
  bool ok = true;
  for (int lang : {1, 0}) {
    const std::string suffix = lang == 0 ? "zh" : "en";
    SetUiLanguage(lang);
    win::ResetDialogFont();
    pictures::UsePictureClock();
    {
      // The window's dialogs are saved as they open, then closed as by OK; the
      // language dialog picks the other language first.
      const int other = 1 - lang;
      win::MainDeps deps;
      deps.writeLanguage = [](int) {};
      deps.runDialog = [&](win::Dialog& d, HWND owner) -> INT_PTR {
        d.Create(owner);
        auto* language = dynamic_cast<win::CLangSetDlg*>(&d);
        ok &= Save(d.hwnd(), out + (language ? "/win_language_" : "/win_about_") + suffix + ".bmp");
        if (language) {
          SendMessageW(language->list(), CB_SETCURSEL, other, 0);
          SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(win::kIdLangList, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(language->list()));
        }
        SendMessageW(d.hwnd(), WM_COMMAND, IDOK, 0);
        return IDOK;
      };
      win::COndrelDlg main(deps);
      main.Create(nullptr);
      // The monitor lists only what this language's run sends.
      main.TrafficMonitorCommand();
      win::CTrafficMonitorDlg* monitor = main.trafficMonitor();
      ShowWindow(monitor->hwnd(), SW_HIDE);
      monitor->ClearClick();
      // Filled from the module as after a successful Link: 9600 baud, RTU.
      CommSettings& c = Comm();
      c.portName = port;
      if (Link().OpenPort()) {
        // A probe of a station that is not there, then the module's own: the
        // monitor shows three tries without an answer and then a Link's probe.
        c.station = 2;
        ProbeModule();
        c.station = 1;
        ProbeModule();
        ConnectedFlag().store(1);
        ReadAfterConnect(main.model());
        Link().ClosePort();
      } else {
        std::fprintf(stderr, "%s did not open (error %d); the window stays empty\n", port.c_str(), Link().lastError());
      }
      ok &= Save(main.hwnd(), out + "/win_main_filled_" + suffix + ".bmp");
      ok &= SaveLinkedBox(main.hwnd(), out + "/win_linked_" + suffix + ".bmp");
      // Wider, and whole on the screen, from which it is copied.
      SetWindowPos(monitor->hwnd(), nullptr, 0, 0, win::Scale(1000), win::Scale(460), SWP_NOZORDER);
      ok &= Save(monitor->hwnd(), out + "/win_monitor_" + suffix + ".bmp");
      SendMessageW(main.hwnd(), WM_SYSCOMMAND, win::kSysAbout, 0);
      SendMessageW(main.hwnd(), WM_COMMAND, win::kCmdLanguage, 0);
      ok &= Save(main.hwnd(), out + "/win_switched_" + (other == 0 ? "zh" : "en") + ".bmp");
      SetUiLanguage(lang);
      win::ResetDialogFont();
    }
    {
      win::CComSetDlg settings(win::GuiDispatcher(), [port] { return std::vector<std::string>{port, "COM1"}; });
      settings.Create(nullptr);
      ok &= Save(settings.hwnd(), out + "/win_settings_" + suffix + ".bmp");
    }
    {
      // A search over the first stations at the connection's line settings finds
      // the module at once.
      Comm() = CommSettings{};
      Comm().portName = port;
      win::CFindModuleDlg find(win::GuiDispatcher(), [port] { return std::vector<std::string>{port, "COM1"}; });
      find.Create(nullptr);
      HWND lines = find.item(win::kIdFindLines);
      SetWindowTextW(find.item(win::kIdFindTo), L"5");
      SendMessageW(lines, CB_SETCURSEL, 1, 0);
      SendMessageW(find.hwnd(), WM_COMMAND, MAKEWPARAM(win::kIdFindLines, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(lines));
      SendMessageW(find.item(win::kIdFindSearch), BM_CLICK, 0, 0);
      for (int i = 0; i < 300 && find.model().Running(); ++i) Pump(100);
      ok &= Save(find.hwnd(), out + "/win_find_module_" + suffix + ".bmp");
    }
  }
  SetMessagePresenter(nullptr);
  return ok ? 0 : 1;
}
