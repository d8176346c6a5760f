// The per-user profile in the registry, where a Windows program of this kind
// keeps its settings: a key per section under the company key and the
// application's name, a text (REG_SZ) value per key.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "platform/settings_store.h"
#include "platform/user_profile.h"
#include "platform/win32_text.h"

namespace tolvane {
namespace {

// "应用程序向导生成的本地应用程序" as escapes, so that no compiler's idea of the
// source file's encoding can change the key; tolvanectl.exe reads the window's.
constexpr const wchar_t* kAppKey =
    L"Software\\\u5e94\u7528\u7a0b\u5e8f\u5411\u5bfc\u751f\u6210\u7684\u672c\u5730\u5e94\u7528\u7a0b\u5e8f\\tolvane";

class RegistryProfileStore : public ProfileStore {
 public:
  std::string Read(const std::string& section, const std::string& key) override {
    for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
      if (it->section == section && it->key == key) return it->value;
    HKEY k = nullptr;
    const std::wstring path = std::wstring(kAppKey) + L"\\" + win32::Wide(section);
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return {};
    const std::wstring name = win32::Wide(key);
    std::vector<wchar_t> data(64);
    DWORD type = 0, bytes = 0;
    LONG rc;
    do {  // the value may grow between asking its size and reading it
      bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
      rc = RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
      if (rc == ERROR_MORE_DATA) data.resize(bytes / sizeof(wchar_t) + 1);
    } while (rc == ERROR_MORE_DATA);
    RegCloseKey(k);
    // Any other type reads as missing, and the stored text ends at its first
    // NUL whether or not one was stored.
    if (rc != ERROR_SUCCESS || type != REG_SZ) return {};
    std::wstring text(data.data(), bytes / sizeof(wchar_t));
    return win32::Utf8(text.substr(0, text.find(L'\0')));
  }

  void Write(const std::string& section, const std::string& key, const std::string& value) override {
    pending_.push_back({section, key, value});
  }

  bool Commit() override {
    bool ok = true;
    for (const Entry& e : pending_) {
      HKEY k = nullptr;
      const std::wstring path = std::wstring(kAppKey) + L"\\" + win32::Wide(e.section);
      if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) !=
          ERROR_SUCCESS) {
        ok = false;
        continue;
      }
      const std::wstring value = win32::Wide(e.value);
      const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
      ok = RegSetValueExW(k, win32::Wide(e.key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes) == ERROR_SUCCESS &&
           ok;
      RegCloseKey(k);
    }
    pending_.clear();
    return ok;
  }

 private:
  struct Entry {
    std::string section, key, value;
  };
  std::vector<Entry> pending_;
};

}  // namespace

// Where an INI profile of this user would lie, had a Windows build one: the
// roaming application data folder. The window's and tolvanectl's settings live
// in the registry above, and config.ini beside the executable.
std::string UserConfigFolder() {
  const wchar_t* appData = _wgetenv(L"APPDATA");
  std::string folder = appData && *appData ? win32::Utf8(appData) : std::string(".");
  for (char& c : folder)
    if (c == '\\') c = '/';
  return folder + "/tolvane";
}

std::unique_ptr<ProfileStore> OpenUserProfile() { return std::make_unique<RegistryProfileStore>(); }

std::string UserProfileLocation() { return "HKEY_CURRENT_USER\\" + win32::Utf8(kAppKey); }

}  // namespace tolvane
