// A write of config.ini, the profile or a parameter file changes the one value
// and nothing else: not the user's other files, comments, owner, group, mode,
// access list or other names of the file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/config_ini.h"
#include "platform/ini_file.h"
#include "platform/posix_files.h"
#include "platform/settings_store.h"

namespace tolvane {
namespace {

namespace fs = std::filesystem;
using sysfile::posix::OwnerFacts;
using sysfile::posix::ReplaceWay;

struct TempDir {
  TempDir() {
    char tmpl[] = "/tmp/tolvane-files-XXXXXX";
    path = mkdtemp(tmpl) ? tmpl : "";
  }
  ~TempDir() { fs::remove_all(path); }
  std::string path;
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& n : names) joined += (joined.empty() ? "" : " ") + n;
  return joined;
}

struct FileCase {
  const char* what;
  const char* file;  // written by `write` in a folder of its own
  std::string before;
  const char* others;  // files beside it, separated by blanks
  bool (*write)(const std::string& path);
  std::string after;
  int language;  // what config.ini reads afterwards, -1: not config.ini
};

bool Chinese(const std::string& path) { return WriteLanguageType(path, 0); }
bool Station(const std::string& path) {
  IniProfileStore store(path);
  store.Write("REM_DefaultCom", "REM_StaNum", "42");
  return store.Commit();
}
bool Parameters(const std::string& path) {
  return ini::RewriteFile(path, [](const std::string&) { return std::string("[Tolvane]\nStation=3\n"); });
}

TEST(StoredFiles, AWriteKeepsTheUsersFilesAndComments) {
  const FileCase cases[] = {
      {"backups beside config.ini", "config.ini", "[System]\nLanguageType=1\n", "config.ini.Backup config.ini.German",
       Chinese, "[System]\nLanguageType=0\n", 0},
      {"a backup beside the profile", "tolvane.ini", "", "tolvane.ini.Backup tolvane.ini.tlv-AbCdEf", Station,
       "[REM_DefaultCom]\nREM_StaNum=42\n", -1},
      {"a parameter file named config.ini", "config.ini", "old", "config.ini.Backup", Parameters,
       "[Tolvane]\nStation=3\n", 1},
      {"a comment after the header", "config.ini", "[System] ; UI settings\r\nLanguageType=1\r\n", "", Chinese,
       "[System] ; UI settings\r\nLanguageType=0\r\n", 0},
      {"a comment after the value", "config.ini", "[System]\nLanguageType = 1 ; by hand\nNext=2\n", "", Chinese,
       "[System]\nLanguageType = 0 ; by hand\nNext=2\n", 0},
      {"an empty value with a comment", "config.ini", "[System]\nLanguageType= ;none\n", "", Chinese,
       "[System]\nLanguageType=0 ;none\n", 0},
      {"a profile comment, a quoted ;", "tolvane.ini", "[REM_DefaultCom]\nREM_ComPortName=\"a;b\" ;x\nREM_StaNum=7;y\n",
       "", Station, "[REM_DefaultCom]\nREM_ComPortName=\"a;b\" ;x\nREM_StaNum=42;y\n", -1},
  };
  for (const FileCase& c : cases) {
    TempDir dir;
    const std::string path = dir.path + "/" + c.file;
    if (!c.before.empty()) Write(path, c.before);
    std::istringstream others(c.others);
    for (std::string name; others >> name;) Write(dir.path + "/" + name, "mine");
    EXPECT_TRUE(c.write(path)) << c.what;
    EXPECT_EQ(Read(path), c.after) << c.what;
    // Only our own marked temporary of a dead write goes.
    std::string expected = std::string(c.file) + " " + c.others;
    if (const std::size_t t = expected.find(" tolvane.ini.tlv-"); t != std::string::npos) expected.resize(t);
    while (expected.back() == ' ') expected.pop_back();
    EXPECT_EQ(Names(dir.path), expected) << c.what;
    if (c.language >= 0) {
      EXPECT_EQ(ReadLanguageType(path), c.language) << c.what;
    }
  }
}

// Decided before the rename: keeping the owner must never depend on luck.
TEST(StoredFiles, TheWayOfAReplacementKeepsOwnerGroupAndLinks) {
  const struct {
    OwnerFacts facts;
    ReplaceWay way;
  } cases[] = {
      {{1000, 1000, 1, 1000, 1000, false, true}, ReplaceWay::kRename},        // the user's own file
      {{1000, 1000, 2, 1000, 1000, false, true}, ReplaceWay::kInPlace},       // hard-linked
      {{1000, 1000, 1, 0, 0, true, false}, ReplaceWay::kRenameAfterChown},    // root, the user's file
      {{1000, 1000, 3, 0, 0, true, false}, ReplaceWay::kInPlace},             // root, hard-linked
      {{1000, 50, 1, 1000, 1000, false, true}, ReplaceWay::kRenameAfterChown},  // shared, a group we are in
      {{1000, 50, 1, 1000, 1000, false, false}, ReplaceWay::kInPlace},        // a group we are not in
      {{2000, 50, 1, 1000, 50, false, true}, ReplaceWay::kInPlace},           // someone else's, group-writable
      {{0, 0, 1, 0, 0, true, true}, ReplaceWay::kRename},                     // root's own
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sysfile::posix::ChooseReplaceWay(c.facts), c.way)
        << c.facts.fileUid << ":" << c.facts.fileGid << " links " << c.facts.links << " by " << c.facts.tempUid;
  }
}

// A POSIX access list giving uid 5678 read access: version 2, then tag, permission, id per entry.
std::string AccessList() {
  std::string blob;
  auto put = [&blob](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) blob += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(2, 4);
  const std::uint32_t none = 0xFFFFFFFF;
  const std::uint32_t entries[][3] = {{0x01, 6, none}, {0x02, 4, 5678}, {0x04, 4, none}, {0x10, 4, none}, {0x20, 0, none}};
  for (const auto& e : entries) {
    put(e[0], 2);
    put(e[1], 2);
    put(e[2], 4);
  }
  return blob;
}

TEST(StoredFiles, TheAdministratorsWriteKeepsOwnerGroupModeLinksAndAccessList) {
  if (geteuid() != 0) GTEST_SKIP() << "only the administrator can make files of other users to write";
  TempDir dir;
  const std::string home = dir.path + "/home", config = home + "/config.ini";
  ASSERT_TRUE(fs::create_directory(home));
  ASSERT_EQ(chown(home.c_str(), 1234, 1234), 0);
  const struct {
    const char* what;
    uid_t uid;
    gid_t gid;
    mode_t mode;
  } owners[] = {{"the user's private file", 1234, 1234, 0600}, {"a group-writable shared file", 1234, 4321, 0664}};
  struct stat st;
  for (const auto& o : owners) {
    Write(config, "[System]\nLanguageType=1\n");
    ASSERT_EQ(chown(config.c_str(), o.uid, o.gid), 0);
    ASSERT_EQ(chmod(config.c_str(), o.mode), 0);
    EXPECT_TRUE(WriteLanguageType(config, 0)) << o.what;
    ASSERT_EQ(stat(config.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, o.uid) << o.what;
    EXPECT_EQ(st.st_gid, o.gid) << o.what;
    EXPECT_EQ(st.st_mode & 07777, o.mode) << o.what;
    EXPECT_EQ(ReadLanguageType(config), 0) << o.what;
  }
  // A second name sees the change; both stay one file.
  ASSERT_EQ(link(config.c_str(), (home + "/linked.ini").c_str()), 0);
  EXPECT_TRUE(WriteLanguageType(config, 1));
  EXPECT_EQ(Read(home + "/linked.ini"), "[System]\nLanguageType=1\n");
  ASSERT_EQ(stat(config.c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 2u);
  // The profile folder and profile made for the user belong to the user.
  EXPECT_TRUE(Station(home + "/.config/tolvane/tolvane.ini"));
  for (const char* made : {"/.config", "/.config/tolvane", "/.config/tolvane/tolvane.ini"}) {
    ASSERT_EQ(stat((home + made).c_str(), &st), 0) << made;
    EXPECT_EQ(st.st_uid, 1234u) << made;
    EXPECT_EQ(st.st_gid, 1234u) << made;
  }
  EXPECT_EQ(Names(home), ".config config.ini linked.ini");

  fs::remove(home + "/linked.ini");
  const std::string acl = AccessList();
  if (setxattr(config.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
    GTEST_SKIP() << "this file system refuses access lists: " << std::strerror(errno);
  EXPECT_TRUE(WriteLanguageType(config, 0));
  std::string kept(acl.size() + 16, '\0');
  const ssize_t n = getxattr(config.c_str(), "system.posix_acl_access", kept.data(), kept.size());
  EXPECT_EQ(kept.substr(0, n < 0 ? 0 : static_cast<std::size_t>(n)), acl);
  EXPECT_EQ(ReadLanguageType(config), 0);
}

int NoLocks(int, int) {
  errno = ENOLCK;
  return -1;
}

// Network file systems may refuse flock: the write goes on without the mark, and
// a temporary nobody can prove dead stays.
TEST(StoredFiles, WhereLocksAreRefusedAWriteSucceedsAndLeavesNoTemporary) {
  TempDir dir;
  const std::string config = dir.path + "/config.ini";
  Write(config + ".tlv-AbCdEf", "of a write that may still run");
  sysfile::posix::SetLockFunction(NoLocks);
  const bool created = WriteLanguageType(config, 1), changed = WriteLanguageType(config, 0);
  sysfile::posix::SetLockFunction(nullptr);
  EXPECT_TRUE(created);
  EXPECT_TRUE(changed);
  EXPECT_EQ(ReadLanguageType(config), 0);
  EXPECT_EQ(Names(dir.path), "config.ini config.ini.tlv-AbCdEf");
}

}  // namespace
}  // namespace tolvane
