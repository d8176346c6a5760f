// The Windows side of the installer's test (installer_test.sh), from outside
// the programs it looks at:
//   installer_probe products UPGRADE_CODE   one line per installed product of
//                                           that family: "{code} version"
//   installer_probe link PORT               drives a running tolvane.exe as a
//                                           user would: Communication >
//                                           Connection, PORT, Link; prints the
//                                           success box's text and then every
//                                           field of the window ("field N: text")
//   installer_probe version FILE            the file's version resource: the
//                                           fixed version and the text one
// Every wait has a deadline; a step that does not come ends the probe with 1.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <functional>
#include <string>

#include "models/com_set_model.h"
#include "models/main_model.h"
#include "winui/com_set_dlg.h"
#include "winui/main_dlg.h"

using namespace tolvane;

namespace {

std::string Utf8(const std::wstring& w) {
  std::string s(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr)), 0);
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), static_cast<int>(s.size()), nullptr, nullptr);
  s.resize(s.size() - 1);
  return s;
}

// Another process's control text, as WM_GETTEXT carries it across.
std::wstring TextOf(HWND w) {
  wchar_t text[256] = {};
  DWORD_PTR n = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &n);
  return text;
}

HWND WaitFor(const char* what, const std::function<HWND()>& find) {
  for (int i = 0; i < 600; ++i) {
    if (HWND w = find()) return w;
    Sleep(50);
  }
  std::fprintf(stderr, "installer_probe: no %s within 30 s\n", what);
  return nullptr;
}

// The visible top-level window of the given process for which `match` holds.
HWND TopWindow(DWORD pid, const std::function<bool(HWND)>& match) {
  struct Search {
    DWORD pid;
    const std::function<bool(HWND)>* match;
    HWND found;
  } s{pid, &match, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* search = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if ((search->pid && owner != search->pid) || !IsWindowVisible(w) || !(*search->match)(w)) return TRUE;
        search->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

int Products(const wchar_t* upgradeCode) {
  wchar_t code[39];
  for (DWORD i = 0; MsiEnumRelatedProductsW(upgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) {
    wchar_t version[64] = {};
    DWORD n = 64;
    MsiGetProductInfoW(code, L"VersionString", version, &n);
    std::printf("%s %s\n", Utf8(code).c_str(), Utf8(version).c_str());
  }
  return 0;
}

int Link(const std::wstring& port) {
  HWND main = WaitFor("main window", [] {
    return TopWindow(0, [](HWND w) { return GetDlgItem(w, win::kIdField + kModuleType) != nullptr; });
  });
  if (!main) return 1;
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  PostMessageW(main, WM_COMMAND, win::kCmdConnection, 0);
  HWND dialog = WaitFor("Communication Setting dialog", [pid] {
    return TopWindow(pid, [](HWND w) { return GetDlgItem(w, win::kIdLink) != nullptr; });
  });
  if (!dialog) return 1;
  HWND ports = GetDlgItem(dialog, win::kIdComList + kListPort);
  const LRESULT at =
      SendMessageW(ports, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(port.c_str()));
  if (at == CB_ERR) {
    std::fprintf(stderr, "installer_probe: %s is not in the port list\n", Utf8(port).c_str());
    return 1;
  }
  SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(win::kIdComList + kListPort, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(ports));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(win::kIdLink, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, win::kIdLink)));
  // The box is the one top-level dialog of the process without the Link button.
  HWND box = WaitFor("success box", [pid, main] {
    return TopWindow(pid, [main](HWND w) {
      wchar_t cls[16] = {};
      GetClassNameW(w, cls, 16);
      return w != main && lstrcmpW(cls, L"#32770") == 0 && GetDlgItem(w, win::kIdLink) == nullptr &&
             GetDlgItem(w, IDOK) != nullptr;
    });
  });
  if (!box) return 1;
  std::wstring said;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (lstrcmpiW(cls, L"Static") == 0 && !TextOf(c).empty()) said = TextOf(c);
  }
  std::printf("box: %s\n", Utf8(said).c_str());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  HWND type = GetDlgItem(main, win::kIdField + kModuleType);
  if (!WaitFor("module type in the window", [type] { return TextOf(type).empty() ? nullptr : type; })) return 1;
  for (int f = 0; f < kFieldCount; ++f)
    std::printf("field %d: %s\n", f, Utf8(TextOf(GetDlgItem(main, win::kIdField + f))).c_str());
  PostMessageW(main, WM_CLOSE, 0, 0);
  return 0;
}

int Version(const wchar_t* file) {
  DWORD ignored = 0;
  std::string data(GetFileVersionInfoSizeW(file, &ignored), '\0');
  if (data.empty() || !GetFileVersionInfoW(file, 0, static_cast<DWORD>(data.size()), data.data())) {
    std::fprintf(stderr, "installer_probe: no version resource in %s\n", Utf8(file).c_str());
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT n = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &n) && fixed)
    std::printf("fixed %u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  wchar_t* text = nullptr;
  if (VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\FileVersion", reinterpret_cast<void**>(&text), &n) &&
      text)
    std::printf("text %s\n", Utf8(text).c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"products") return Products(argv[2]);
  if (argc == 3 && std::wstring(argv[1]) == L"link") return Link(argv[2]);
  if (argc == 3 && std::wstring(argv[1]) == L"version") return Version(argv[2]);
  std::fprintf(stderr, "usage: installer_probe products UPGRADE_CODE | link PORT | version FILE\n");
  return 2;
}
