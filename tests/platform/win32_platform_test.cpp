// The Windows side of the platform layer against the system itself (run under
// wine in the cross build): the registry profile, the port list, config.ini and
// the console's standard output.
#include <windows.h>

#include <gtest/gtest.h>
// sysfile::ReplaceFile, not the system's macro for ReplaceFileW.
#undef ReplaceFile

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/language.h"
#include "platform/config_ini.h"
#include "platform/console.h"
#include "platform/port_list.h"
#include "platform/system_files.h"
#include "platform/user_profile.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using win32::Wide;

// The key as a UTF-8 text, so that a compiler reading the source in another
// encoding than the program's own escapes would show here.
const std::wstring kSection = Wide("Software\\应用程序向导生成的本地应用程序\\tolvane\\REM_DefaultCom");

std::wstring RawValue(const std::string& name, DWORD* type) {
  wchar_t data[256] = {};
  DWORD bytes = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, kSection.c_str(), Wide(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, type, data,
                   &bytes) != ERROR_SUCCESS)
    return L"<missing>";
  return data;
}

TEST(Win32Profile, TextValuesUnderTheWindowsKeyRoundTrip) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kSection.c_str());
  const std::vector<std::pair<std::string, std::string>> values{
      {"REM_ComPortName", "COM12"}, {"REM_StaNum", "7"}, {"REM_Note", "端口 Ä ✓"}, {"REM_Empty", ""}};
  auto store = OpenUserProfile();
  for (const auto& [key, value] : values) store->Write(kProfileSection, key, value);
  EXPECT_EQ(store->Read(kProfileSection, "REM_StaNum"), "7");  // before the commit, as written
  ASSERT_TRUE(store->Commit());
  auto fresh = OpenUserProfile();
  for (const auto& [key, value] : values) {
    EXPECT_EQ(fresh->Read(kProfileSection, key), value) << key;
    DWORD type = 0;
    EXPECT_EQ(RawValue(key, &type), Wide(value)) << key;
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << key;
  }
  // What the window's profile functions would not read as text reads as missing.
  const DWORD number = 9600;
  RegSetKeyValueW(HKEY_CURRENT_USER, kSection.c_str(), L"REM_BaudRate", REG_DWORD, &number, sizeof number);
  EXPECT_EQ(fresh->Read(kProfileSection, "REM_BaudRate"), "");
  EXPECT_EQ(fresh->Read(kProfileSection, "REM_Absent"), "");
  EXPECT_EQ(fresh->Read("REM_NoSuchSection", "REM_StaNum"), "");
  EXPECT_EQ(UserProfileLocation(), "HKEY_CURRENT_USER\\Software\\应用程序向导生成的本地应用程序\\tolvane");
  RegDeleteTreeW(HKEY_CURRENT_USER, kSection.c_str());
}

TEST(Win32Ports, TheDeviceMapsPortsInItsOrderDescribedByWhatTheSystemKnows) {
  HKEY map = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_SET_VALUE, nullptr, &map, nullptr) != ERROR_SUCCESS)
    GTEST_SKIP() << "the device map cannot be written here";
  const std::vector<std::string> before = ListSerialPorts();
  const wchar_t port[] = L"COM77";
  ASSERT_EQ(RegSetValueExW(map, L"\\Device\\TolvaneTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), sizeof port),
            ERROR_SUCCESS);
  const std::vector<std::string> after = ListSerialPorts();
  RegDeleteValueW(map, L"\\Device\\TolvaneTest");
  RegCloseKey(map);
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back(), "COM77");  // a new value comes last
  const std::vector<PortInfo> infos = DescribeSerialPorts({"COM77"});
  ASSERT_EQ(infos.size(), 1u);
  EXPECT_EQ(infos[0].kind, PortInfo::Kind::kListed);  // no device behind it
  SetUiLanguage(1);
  EXPECT_EQ(PortDropDownText(infos[0]), "COM77 — serial port known to the system");
}

class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / (Wide("tolvane-配置-") + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (const auto& e : fs::directory_iterator(dir_)) SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) const { return win32::Utf8((dir_ / name).wstring()); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

TEST_F(Win32Files, AReplacedFileKeepsItsFlagsAndAReadOnlyOneIsLeftAlone) {
  const std::string ini = Path("config.ini");
  ASSERT_TRUE(sysfile::ReplaceFile(ini, "[System]\r\nLanguageType=1\r\n"));  // created
  SetFileAttributesW(Wide(ini).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(WriteLanguageType(ini, 0));
  EXPECT_EQ(sysfile::ReadFile(ini, 4096).bytes, "[System]\r\nLanguageType=0\r\n");
  EXPECT_EQ(GetFileAttributesW(Wide(ini).c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  SetFileAttributesW(Wide(ini).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WriteLanguageType(ini, 1));
  EXPECT_EQ(ReadLanguageType(ini), 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"config.ini"});  // no temporary left behind
  EXPECT_EQ(sysfile::ReadFile(win32::Utf8(dir_.wstring()), 4096).state, sysfile::FileState::kUnusable);
  EXPECT_EQ(sysfile::ReadFile(Path("absent.ini"), 4096).state, sysfile::FileState::kAbsent);
}

TEST_F(Win32Files, OnlyTemporariesOfWritesThatDiedAreRemoved) {
  const std::string ini = Path("config.ini");
  for (const char* name : {"config.ini.tlv-AbCdEf", "config.ini.tlv-QwErTy", "config.ini.Backup"})
    std::ofstream(dir_ / name) << "x";
  // A write still running holds its temporary locked.
  const HANDLE live =
      CreateFileW((dir_ / "config.ini.tlv-QwErTy").c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  OVERLAPPED at{};
  ASSERT_TRUE(LockFileEx(live, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &at));
  ASSERT_TRUE(WriteLanguageType(ini, 0));
  CloseHandle(live);
  EXPECT_EQ(Names(), (std::vector<std::string>{"config.ini", "config.ini.Backup", "config.ini.tlv-QwErTy"}));
}

// ReplaceFileW's failures as the documentation gives them, played one call at a
// time, with what the call did to the old file first; once the play is over the
// system's own runs.
enum class Old { kKept, kGone, kAside };
struct Play {
  DWORD error;
  Old old = Old::kKept;
};
std::vector<Play> g_play;
int g_calls = 0;

BOOL WINAPI PlayedReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                          LPVOID reserved) {
  const std::size_t at = static_cast<std::size_t>(g_calls++);
  if (at >= g_play.size()) return ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
  if (g_play[at].old == Old::kGone) DeleteFileW(replaced);
  if (g_play[at].old == Old::kAside) MoveFileW(replaced, (std::wstring(replaced) + L".aside").c_str());
  SetLastError(g_play[at].error);
  return FALSE;
}

TEST_F(Win32Files, AFailedReplacementKeepsTheNewBytesOrTheOldFile) {
  const std::string oldBytes = "[System]\r\nLanguageType=1\r\n", newBytes = "new";
  const Play sharing{ERROR_SHARING_VIOLATION}, access{ERROR_ACCESS_DENIED};
  const struct {
    std::vector<Play> play;
    bool ok;
    std::string bytes;               // of config.ini afterwards; "" when there is none
    std::vector<std::string> names;  // "tmp" for a temporary of ours
    int calls;                       // of the replace function: sharing and access errors are tried again
  } cases[] = {
      {{sharing, sharing}, true, newBytes, {"config.ini"}, 3},
      {{access}, true, newBytes, {"config.ini"}, 2},
      {{sharing, sharing, sharing, access, access, access, access, access}, false, oldBytes, {"config.ini"}, 6},
      // The old file removed, the new one not renamed.
      {{{ERROR_UNABLE_TO_MOVE_REPLACEMENT, Old::kGone}}, true, newBytes, {"config.ini"}, 1},
      // The old file moved to a name of the system's.
      {{{ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, Old::kAside}}, true, newBytes, {"config.ini", "config.ini.aside"}, 1},
      {{{ERROR_UNABLE_TO_MOVE_REPLACEMENT}}, false, oldBytes, {"config.ini"}, 1},
      {{{ERROR_UNABLE_TO_REMOVE_REPLACED}}, false, oldBytes, {"config.ini"}, 1},
      // Someone else removed the file meanwhile: the temporary holds the only copy, so it stays.
      {{{ERROR_FILE_NOT_FOUND, Old::kGone}}, false, "", {"tmp"}, 1},
  };
  const std::string ini = Path("config.ini");
  sysfile::winapi::SetReplaceFunction(PlayedReplace);
  for (const auto& c : cases) {
    for (const auto& e : fs::directory_iterator(dir_)) fs::remove(e.path());
    ASSERT_TRUE(sysfile::ReplaceFile(ini, oldBytes));  // created: no replacement played
    g_play = c.play;
    g_calls = 0;
    const std::string label = "case " + std::to_string(&c - cases);
    EXPECT_EQ(sysfile::ReplaceFile(ini, newBytes), c.ok) << label;
    EXPECT_EQ(sysfile::ReadFile(ini, 4096).bytes, c.bytes) << label;
    std::vector<std::string> names = Names();
    for (std::string& n : names)
      if (n.rfind("config.ini.tlv-", 0) == 0) n = "tmp";
    EXPECT_EQ(names, c.names) << label;
    EXPECT_EQ(g_calls, c.calls) << label;
  }
  sysfile::winapi::SetReplaceFunction(nullptr);
}

TEST(Win32ConfigIni, LiesBesideTheExecutable) {
  wchar_t exe[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::string folder = fs::path(std::wstring(exe, n)).parent_path().generic_string();
  EXPECT_EQ(sysfile::ExecutableFolder(), folder);
  EXPECT_EQ(ConfigIniPath(sysfile::ExecutableFolder()), folder + "/config.ini");
  EXPECT_EQ(fs::path(Wide(console::ExecutablePath())), fs::path(std::wstring(exe, n)));
}

// Before the test below, whose lost write stays lost for the process.
TEST(Win32Console, AStdoutTheCallerDidNotGiveIsNulAndNothingIsLost) {
  const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  console::PrepareStandardStreams();
  const HANDLE nul = GetStdHandle(STD_OUTPUT_HANDLE);
  EXPECT_NE(nul, nullptr);
  EXPECT_EQ(GetFileType(nul), static_cast<DWORD>(FILE_TYPE_CHAR));
  EXPECT_TRUE(console::Write(console::Stream::kOut, "{\"ok\":true}\n"));
  EXPECT_TRUE(console::FinishOutput());
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
}

TEST(Win32Console, RedirectedOutputIsUtf8AndALostWriteIsReported) {
  const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE read = nullptr, write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
  SetStdHandle(STD_OUTPUT_HANDLE, write);
  EXPECT_FALSE(console::IsTerminal(console::Stream::kOut));
  EXPECT_TRUE(console::Write(console::Stream::kOut, "端口 COM3\n"));
  char got[64] = {};
  DWORD n = 0;
  ReadFile(read, got, sizeof got, &n, nullptr);
  EXPECT_EQ(std::string(got, n), "端口 COM3\n");  // the bytes as given: no code page, no CR
  CloseHandle(read);                              // the reader went away
  EXPECT_FALSE(console::Write(console::Stream::kOut, "lost\n"));
  EXPECT_FALSE(console::FinishOutput());
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
}

}  // namespace
}  // namespace tolvane
