// The profile and config.ini as files.
#include "platform/settings_store.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/config_ini.h"
#include "platform/ini_file.h"
#include "platform/posix_files.h"
#include "support/qt_paths.h"

namespace tolvane {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

template <std::size_t N>
QByteArray Bytes(const char (&s)[N]) {
  return QByteArray(s, N - 1);
}

std::string Names(const QString& dir) {
  return QDir(dir).entryList(QDir::Files | QDir::System, QDir::Name).join(' ').toStdString();
}

mode_t Kind(const QString& path) {
  struct stat st;
  return lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

void StoreSettings(const QString& path, const CommSettings& c) {
  Comm() = c;
  IniProfileStore store(path.toStdString());
  StoreCommSettings(store);
}

CommSettings LoadSettings(const QString& path) {
  Comm() = CommSettings{};
  Comm().station = 99;
  IniProfileStore store(path.toStdString());
  LoadCommSettings(store);
  return Comm();
}

CommSettings Sample() {
  CommSettings c;
  c.portName = "ttyUSB4";
  c.station = 42;
  c.baud = 19200;
  c.parity = 1;
  return c;
}

TEST(Profile, LivesUnderXdgConfigHomeAndRoundTrips) {
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  EXPECT_EQ(QString::fromStdString(DefaultProfilePath()), dir.path() + "/tolvane/tolvane.ini");
  Comm() = CommSettings{};
  Comm().portName = "ttyUSB0";
  Comm().station = 17;
  Comm().baud = 57600;
  Comm().parity = 2;
  Comm().transferMode = 0;
  Comm().dataBits = 7;
  Comm().stopBits = 1;
  const CommSettings stored = Comm();
  {
    IniProfileStore store;
    StoreCommSettings(store);
  }
  const QByteArray text = ReadAll(QString::fromStdString(DefaultProfilePath()));
  EXPECT_TRUE(text.contains("[REM_DefaultCom]"));
  EXPECT_TRUE(text.contains("REM_BaudRate=57600"));
  EXPECT_TRUE(text.contains("REM_TransType=0"));
  Comm() = CommSettings{};
  IniProfileStore again;
  LoadCommSettings(again);
  EXPECT_EQ(Comm(), stored);
  CommSettings odd = stored;
  odd.baud = 4294967286u;  // loaded from a hand-edited "-10": stored as it was read
  StoreSettings(QString::fromStdString(DefaultProfilePath()), odd);
  EXPECT_TRUE(ReadAll(QString::fromStdString(DefaultProfilePath())).contains("REM_BaudRate=-10\n"));
  EXPECT_EQ(LoadSettings(QString::fromStdString(DefaultProfilePath())), odd);
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(Profile, HandEditedNonsenseLoadsByTheRules) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/p.ini";
  WriteAll(path, QByteArray("[REM_DefaultCom]\nREM_ComPortName=ttyS9\nREM_StaNum=abc\nREM_BaudRate=99999999999\n"
                            "REM_Parity=\nREM_DataBytes=7, 8\nREM_StopBytes=\x01\x02\n"));
  IniProfileStore store(path.toStdString());
  LoadCommSettings(store);
  EXPECT_EQ(Comm().portName, "ttyS9");
  EXPECT_EQ(Comm().station, 0);
  EXPECT_EQ(Comm().baud, 2147483647u);
  EXPECT_EQ(Comm().parity, 0);
  EXPECT_EQ(Comm().dataBits, 7);
  EXPECT_EQ(Comm().transferMode, 1);
  WriteAll(path, QByteArray("\x00\xff garbage without sections", 27));
  IniProfileStore binary(path.toStdString());
  LoadCommSettings(binary);
  EXPECT_EQ(Comm(), CommSettings{});
}

// A profile from the QSettings-based versions, its values quoted and escaped
// by QSettings, loads the same; and what we store QSettings reads the same.
TEST(Profile, QuotedAndEscapedValuesOfEarlierVersionsLoadTheSame) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/p.ini";
  for (const char* name : {"a, b", " lead ", "x\"y", "back\\slash", "@at", "@@two", "nl\nx;",
                           "\x01"
                           "1f",
                           "\xc3\xbc=\xc3\xa9"}) {
    QFile::remove(path);
    {
      QSettings old(path, QSettings::IniFormat);
      old.setValue("REM_DefaultCom/REM_ComPortName", QString::fromUtf8(name));
    }
    EXPECT_EQ(LoadSettings(path).portName, name);
    CommSettings c;
    c.portName = name;
    StoreSettings(path, c);
    QSettings back(path, QSettings::IniFormat);
    EXPECT_EQ(back.value("REM_DefaultCom/REM_ComPortName").toString().toStdString(), name);
  }
}

TEST(Profile, AVariantValueIsReadAsPlainText) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/p.ini";
  WriteAll(path,
           "[REM_DefaultCom]\nREM_ComPortName=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
           "REM_StaNum=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x7)\n");
  const CommSettings c = LoadSettings(path);
  EXPECT_EQ(c.portName, std::string("@Variant(\0\0\0\x02\0\0\0\x05)", 18));
  EXPECT_EQ(c.station, 0);  // text without digits, not the serialized 7
}

// A kill during a write of the QSettings-based versions left tolvane.ini.lock
// behind; another instance may hold it right now. Neither may hold up a store.
TEST(Profile, ALeftOrHeldLockDoesNotHoldUpTheStore) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/tolvane.ini";
  WriteAll(path + ".lock", "");
  StoreSettings(path, Sample());
  EXPECT_EQ(LoadSettings(path), Sample());
  QFile::remove(path + ".lock");
  QLockFile held(path + ".lock");
  ASSERT_TRUE(held.tryLock(0));
  CommSettings other = Sample();
  other.station = 7;
  StoreSettings(path, other);  // waiting for the holder would never return
  EXPECT_EQ(LoadSettings(path), other);
}

// A FIFO would block the open, a device would be read forever: both count as
// absent and neither is replaced. A link to a regular file is followed.
TEST(StoredFiles, OnlyRegularFilesAreReadAndReplaced) {
  QTemporaryDir dir;
  const QString config = dir.path() + "/config.ini", profile = dir.path() + "/tolvane.ini";
  auto check = [&](mode_t kind) {
    EXPECT_EQ(ReadLanguageType(config), 1);
    EXPECT_FALSE(WriteLanguageType(config, 0));
    EXPECT_EQ(LoadSettings(profile), CommSettings{});
    StoreSettings(profile, Sample());
    EXPECT_EQ(Kind(config), kind);
    EXPECT_EQ(Kind(profile), kind);
  };
  ASSERT_EQ(mkfifo(QFile::encodeName(config).constData(), 0600), 0);
  ASSERT_EQ(mkfifo(QFile::encodeName(profile).constData(), 0600), 0);
  check(S_IFIFO);
  QFile::remove(config);
  QFile::remove(profile);
  ASSERT_TRUE(QFile::link("/dev/zero", config));
  ASSERT_TRUE(QFile::link("/dev/zero", profile));
  check(S_IFLNK);
  QFile::remove(config);
  WriteAll(dir.path() + "/real.ini", "[System]\nLanguageType=0\n");
  ASSERT_TRUE(QFile::link(dir.path() + "/real.ini", config));
  EXPECT_EQ(ReadLanguageType(config), 0);
  EXPECT_TRUE(WriteLanguageType(config, 1));
  EXPECT_EQ(Kind(config), S_IFLNK);
  EXPECT_EQ(ReadAll(dir.path() + "/real.ini"), "[System]\nLanguageType=1\n");
}

// Temporaries of killed writes go at the next write; a user's copy with any
// other name, however like an earlier version's temporaries, and the temporary
// of a write still running stay.
TEST(StoredFiles, TemporariesOfKilledWritesAreRemoved) {
  QTemporaryDir dir;
  const QString config = dir.path() + "/config.ini";
  const QString profileDir = dir.path() + "/tolvane";
  ASSERT_TRUE(QDir().mkpath(profileDir));
  for (const char* name : {"/config.ini.tlv-AbCdEf", "/config.ini.Backup", "/config.ini.backup",
                           "/config.ini.tlv-RunNow", "/tolvane/tolvane.ini.tlv-XyZabc", "/tolvane/tolvane.ini.Backup"})
    WriteAll(dir.path() + name, "[System]\nLanguageType=");
  const int running = open(QFile::encodeName(dir.path() + "/config.ini.tlv-RunNow").constData(), O_RDONLY);
  ASSERT_EQ(flock(running, LOCK_EX), 0);
  EXPECT_TRUE(WriteLanguageType(config, 0));
  EXPECT_TRUE(WriteLanguageType(config, 1));
  StoreSettings(profileDir + "/tolvane.ini", Sample());
  close(running);
  EXPECT_EQ(Names(dir.path()), "config.ini config.ini.Backup config.ini.backup config.ini.tlv-RunNow");
  EXPECT_EQ(Names(profileDir), "tolvane.ini tolvane.ini.Backup");

  // Any other file written the same way (a parameter file in the user's own
  // folder) loses only our marked temporaries.
  const QString other = dir.path() + "/KX-130_station1.ini";
  for (const char* name : {"/KX-130_station1.ini.OldOne", "/KX-130_station1.ini.tlv-AbCdEf"})
    WriteAll(dir.path() + name, "kept?");
  ASSERT_TRUE(ini::RewriteFile(other.toStdString(), [](const std::string&) { return std::string("[Tolvane]\n"); }));
  EXPECT_EQ(Names(dir.path()),
            "KX-130_station1.ini KX-130_station1.ini.OldOne config.ini config.ini.Backup "
            "config.ini.backup config.ini.tlv-RunNow");
}

bool Chinese(const QString& path) { return WriteLanguageType(path, 0); }
bool Station(const QString& path) {
  IniProfileStore store(path.toStdString());
  store.Write("REM_DefaultCom", "REM_StaNum", "42");
  return store.Commit();
}

// A write changes its value and nothing else: not the user's files beside it
// (named like an earlier version's temporaries), nor comments after a header or a value.
TEST(StoredFiles, AWriteKeepsTheUsersFilesAndComments) {
  const struct {
    const char* file;
    QByteArray before;
    bool (*write)(const QString&);
    QByteArray after;
    const char* names;  // of the folder afterwards; the files of others are there before
  } cases[] = {
      {"config.ini", "[System]\nLanguageType=1\n", Chinese, "[System]\nLanguageType=0\n",
       "config.ini config.ini.Backup config.ini.German"},
      {"tolvane.ini", "", Station, "[REM_DefaultCom]\nREM_StaNum=42\n", "tolvane.ini tolvane.ini.Backup"},
      {"config.ini", "[System] ; UI settings\r\nLanguageType=1\r\n", Chinese,
       "[System] ; UI settings\r\nLanguageType=0\r\n", "config.ini"},
      {"config.ini", "[System]\nLanguageType = 1 ; by hand\nNext=2\n", Chinese,
       "[System]\nLanguageType = 0 ; by hand\nNext=2\n", "config.ini"},
      {"config.ini", "[System]\nLanguageType= ;none\n", Chinese, "[System]\nLanguageType=0 ;none\n", "config.ini"},
      {"tolvane.ini", "[REM_DefaultCom]\nREM_ComPortName=\"a;b\" ;x\nREM_StaNum=7;y\n", Station,
       "[REM_DefaultCom]\nREM_ComPortName=\"a;b\" ;x\nREM_StaNum=42;y\n", "tolvane.ini"},
  };
  for (const auto& c : cases) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/" + c.file;
    if (!c.before.isEmpty()) WriteAll(path, c.before);
    for (const QString& other : QString(c.names).split(' ').mid(1)) WriteAll(dir.path() + "/" + other, "mine");
    WriteAll(path + ".tlv-AbCdEf", "of a write that died");
    EXPECT_TRUE(c.write(path)) << c.before.constData();
    EXPECT_EQ(ReadAll(path), c.after);
    EXPECT_EQ(Names(dir.path()), c.names);
    if (QByteArray(c.file) == "config.ini") {
      EXPECT_EQ(ReadLanguageType(path), 0) << c.before.constData();
    }
  }
}

TEST(StoredFiles, AReplacementKeepsOwnerGroupAndLinks) {
  using sysfile::posix::ReplaceWay;
  const struct {
    sysfile::posix::OwnerFacts facts;  // file uid, gid, links; new file's uid, gid; root; in the file's group
    ReplaceWay way;
  } cases[] = {
      {{1000, 1000, 1, 1000, 1000, false, true}, ReplaceWay::kRename},
      {{1000, 1000, 2, 1000, 1000, false, true}, ReplaceWay::kInPlace},
      {{1000, 1000, 1, 0, 0, true, false}, ReplaceWay::kRenameAfterChown},
      {{1000, 1000, 3, 0, 0, true, false}, ReplaceWay::kInPlace},
      {{1000, 50, 1, 1000, 1000, false, true}, ReplaceWay::kRenameAfterChown},
      {{1000, 50, 1, 1000, 1000, false, false}, ReplaceWay::kInPlace},
      {{2000, 50, 1, 1000, 50, false, true}, ReplaceWay::kInPlace},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sysfile::posix::ChooseReplaceWay(c.facts), c.way) << c.facts.fileUid << ":" << c.facts.fileGid;
}

// A link is followed in a sticky folder others may write only when it is the
// writer's own or the folder owner's.
TEST(StoredFiles, ALinkInASharedStickyFolderIsFollowedOnlyForItsOwners) {
  const struct {
    std::uint32_t link, folder, mode, caller;
    bool follow;
  } cases[] = {
      {1000, 0, 041777, 0, false},     // another user's link in /tmp, the administrator writing
      {1000, 0, 041777, 2000, false},  // ... any other user writing
      {0, 0, 041777, 1000, true},      // the folder owner's link
      {1000, 0, 041777, 1000, true},   // the writer's own
      {1000, 0, 040777, 0, true},      // not sticky: the folder's owner chose to share it
      {1000, 0, 041775, 0, true},      // sticky, but only its group may write
      {1000, 0, 041770, 0, true},     {1000, 2000, 041757, 3000, false},  // others may write (the group may not)
  };
  for (const auto& c : cases)
    EXPECT_EQ(sysfile::posix::MayFollowLink(c.link, c.folder, c.mode, c.caller), c.follow)
        << c.link << " in " << c.folder << ":" << std::oct << c.mode << " for " << std::dec << c.caller;
}

// Each write at a user's request says why it failed; the check before it says
// the same without writing.
TEST(StoredFiles, AFailedWriteNamesItsCause) {
  QTemporaryDir dir;
  const std::string home = ToPath(dir.path());
  WriteAll(dir.path() + "/huge.ini", QByteArray(static_cast<int>(ini::kMaxFileBytes) + 1, 'x'));
  ASSERT_EQ(mkdir((home + "/folder.ini").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((home + "/shared").c_str(), 01777), 0);
  ASSERT_EQ(chmod((home + "/shared").c_str(), 01777), 0);
  WriteAll(dir.path() + "/precious.ini", "[System]\nLanguageType=1\n");
  WriteAll(dir.path() + "/mine.ini", "");
  const std::string planted = home + "/shared/planted.ini", own = home + "/shared/own.ini";
  ASSERT_EQ(symlink((home + "/precious.ini").c_str(), planted.c_str()), 0);
  ASSERT_EQ(symlink((home + "/mine.ini").c_str(), own.c_str()), 0);
  // A link the writer made to where the file shall be, before there is one.
  const std::string ahead = home + "/shared/ahead.ini";
  ASSERT_EQ(symlink((home + "/made.ini").c_str(), ahead.c_str()), 0);
  const bool root = geteuid() == 0;
  // Only the administrator can give a link to another user.
  if (root) {
    ASSERT_EQ(lchown(planted.c_str(), 4321, 4321), 0);
  }
  const struct {
    std::string path;
    WriteProblem problem;
  } cases[] = {
      {home + "/missing/p.ini", WriteProblem::kNoFolder},
      {home + "/huge.ini/p.ini", WriteProblem::kNoFolder},
      {home + "/huge.ini", WriteProblem::kTooLarge},
      {home + "/folder.ini", WriteProblem::kNotAFile},
      {"/dev/null", WriteProblem::kNotAFile},
      {ahead, WriteProblem::kNone},
      {planted, root ? WriteProblem::kNoPermission : WriteProblem::kNone},
      {own, WriteProblem::kNone},
      {home + "/new.ini", WriteProblem::kNone},
  };
  const auto text = [](const std::string&) { return std::string("[T]\n"); };
  for (const auto& c : cases) {
    EXPECT_EQ(ini::CheckRewrite(c.path), c.problem) << c.path;
    EXPECT_EQ(ini::WriteWholeFile(c.path, "[Tolvane]\n"), c.problem) << c.path;
    WriteProblem rewrite = WriteProblem::kNone;
    EXPECT_EQ(ini::RewriteFile(c.path, text, false, &rewrite), c.problem == WriteProblem::kNone) << c.path;
    EXPECT_EQ(rewrite, c.problem) << c.path;
  }
  // The planted link was not followed; the writer's own was, and stays a link.
  EXPECT_EQ(ReadAll(dir.path() + "/precious.ini"), root ? "[System]\nLanguageType=1\n" : "[T]\n");
  EXPECT_EQ(ReadAll(dir.path() + "/mine.ini"), "[T]\n");
  EXPECT_EQ(Kind(dir.path() + "/shared/own.ini"), S_IFLNK);
  EXPECT_EQ(Kind(dir.path() + "/shared/planted.ini"), S_IFLNK);
  EXPECT_EQ(ReadAll(dir.path() + "/made.ini"), "[T]\n");
  EXPECT_EQ(Kind(dir.path() + "/shared/ahead.ini"), S_IFLNK);
  EXPECT_EQ(Names(dir.path()), "huge.ini made.ini mine.ini new.ini precious.ini");
}

// A full disk, on a small file system of the test's own.
TEST(StoredFiles, AWriteToAFullDiskSaysSo) {
  if (geteuid() != 0) GTEST_SKIP() << "only the administrator can mount a small file system";
  QTemporaryDir dir;
  const std::string home = ToPath(dir.path());
  if (mount("tmpfs", home.c_str(), "tmpfs", 0, "size=8k") != 0) GTEST_SKIP() << "no mount here: " << errno;
  const std::string big(64 * 1024, 'x');
  EXPECT_EQ(ini::WriteWholeFile(home + "/p.ini", big), WriteProblem::kDiskFull);
  EXPECT_EQ(ini::CheckRewrite(home + "/p.ini"), WriteProblem::kNone);  // room is only known by writing
  EXPECT_EQ(Names(dir.path()), "");                                    // no temporary left
  umount(home.c_str());
}

TEST(StoredFiles, TheAdministratorsWriteKeepsOwnerGroupModeLinksAndAccessList) {
  if (geteuid() != 0) GTEST_SKIP() << "only the administrator can make files of other users to write";
  QTemporaryDir dir;
  const std::string home = ToPath(dir.path()), config = home + "/config.ini";
  ASSERT_EQ(chown(home.c_str(), 1234, 1234), 0);
  struct stat st;
  for (const auto& [gid, mode] : {std::pair<gid_t, mode_t>{1234, 0600}, {4321, 0664}}) {
    WriteAll(dir.path() + "/config.ini", "[System]\nLanguageType=1\n");
    ASSERT_EQ(chown(config.c_str(), 1234, gid), 0);
    ASSERT_EQ(chmod(config.c_str(), mode), 0);
    EXPECT_TRUE(WriteLanguageType(config, 0));
    ASSERT_EQ(stat(config.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, gid);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  ASSERT_EQ(link(config.c_str(), (home + "/linked.ini").c_str()), 0);
  EXPECT_TRUE(WriteLanguageType(config, 1));
  EXPECT_EQ(ReadAll(dir.path() + "/linked.ini"), "[System]\nLanguageType=1\n");
  // A folder and a profile made for the user under sudo belong to the user.
  EXPECT_TRUE(Station(dir.path() + "/.config/tolvane/tolvane.ini"));
  for (const char* made : {"/.config", "/.config/tolvane", "/.config/tolvane/tolvane.ini"}) {
    ASSERT_EQ(stat((home + made).c_str(), &st), 0);
    EXPECT_EQ(st.st_uid + st.st_gid, 2468u) << made;
  }
  EXPECT_EQ(Names(dir.path()), "config.ini linked.ini");
  // An access list giving uid 5678 read access: version 2, then tag, permission and id per entry.
  const unsigned entries[][3] = {{1, 6, ~0u}, {2, 4, 5678}, {4, 4, ~0u}, {16, 4, ~0u}, {32, 0, ~0u}};
  std::string acl("\x02\0\0\0", 4);
  for (const auto& e : entries) {
    for (int i = 0; i < 8; ++i)
      acl += static_cast<char>((i < 2 ? e[0] >> 8 * i : i < 4 ? e[1] >> 8 * (i - 2) : e[2] >> 8 * (i - 4)) & 0xFF);
  }
  unlink((home + "/linked.ini").c_str());
  if (setxattr(config.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
    GTEST_SKIP() << "this file system refuses access lists: " << std::strerror(errno);
  EXPECT_TRUE(WriteLanguageType(config, 0));
  std::string kept(acl.size(), '\0');
  EXPECT_EQ(getxattr(config.c_str(), "system.posix_acl_access", kept.data(), kept.size()), ssize_t(acl.size()));
  EXPECT_EQ(kept, acl);
}

// Network file systems may refuse flock: a write goes on without the mark and
// leaves no temporary; one nobody can prove dead stays.
TEST(StoredFiles, WhereLocksAreRefusedAWriteSucceedsAndLeavesNoTemporary) {
  QTemporaryDir dir;
  const QString config = dir.path() + "/config.ini";
  WriteAll(config + ".tlv-AbCdEf", "of a write that may still run");
  sysfile::posix::SetLockFunction([](int, int) {
    errno = ENOLCK;
    return -1;
  });
  const bool created = WriteLanguageType(config, 1), changed = WriteLanguageType(config, 0);
  sysfile::posix::SetLockFunction(nullptr);
  EXPECT_TRUE(created && changed);
  EXPECT_EQ(ReadLanguageType(config), 0);
  EXPECT_EQ(Names(dir.path()), "config.ini config.ini.tlv-AbCdEf");
}

TEST(ConfigIni, AbsentZeroOneAndOtherValues) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  EXPECT_EQ(ReadLanguageType(path), 1);
  EXPECT_FALSE(QFile::exists(path));  // reading creates nothing
  WriteAll(path, "[System]\nLanguageType=0\n");
  EXPECT_EQ(ReadLanguageType(path), 0);
  WriteAll(path, "[System]\nLanguageType=1\n");
  EXPECT_EQ(ReadLanguageType(path), 1);
  WriteAll(path, "[System]\nLanguageType=258\n");
  EXPECT_EQ(ReadLanguageType(path), 2);  // low 8 bits; shown as English
  WriteAll(path, "[Other]\nLanguageType=0\n");
  EXPECT_EQ(ReadLanguageType(path), 1);
  WriteAll(path, QByteArray("\xff\xfe[System]\x00\nLanguageType=zh\n", 28));
  EXPECT_EQ(ReadLanguageType(path), 1);  // the section header is not clean: no key
  WriteAll(path, "[System]\nLanguageType=zh\n");
  EXPECT_EQ(ReadLanguageType(path), 0);  // letters have the value 0
}

TEST(ConfigIni, WritingCreatesTheFileAndKeepsOtherContent) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  EXPECT_TRUE(WriteLanguageType(path, 0));
  EXPECT_TRUE(ReadAll(path).contains("[System]"));
  EXPECT_TRUE(ReadAll(path).contains("LanguageType=0"));
  WriteAll(path, "[Other]\nKey=kept\n[System]\nLanguageType=0\n");
  EXPECT_TRUE(WriteLanguageType(path, 1));
  EXPECT_TRUE(ReadAll(path).contains("Key=kept"));
  EXPECT_EQ(ReadLanguageType(path), 1);
}

// The other sections may be in any encoding, with a BOM, CR LF line ends and
// comments: a language change alters the digit and nothing else.
TEST(ConfigIni, ALanguageChangeKeepsEveryOtherByte) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  const QByteArray head = Bytes(
      "\xef\xbb\xbf; hand-written\r\n[Other]\r\nName=\xd6\xd0\xce\xc4\r\nRaw=\xff\x00\x80\r\n\r\n"
      "[System]\r\n  LanguageType = ");
  const QByteArray tail = Bytes(" \r\nKeep=\xb0\xa1\r\n");
  WriteAll(path, head + "1" + tail);
  EXPECT_EQ(ReadLanguageType(path), 1);
  EXPECT_TRUE(WriteLanguageType(path, 0));
  EXPECT_EQ(ReadAll(path), head + "0" + tail);
  WriteAll(path, "[other]\r\nA=\xb0\xa1\r\n[system]\r\nB=1\r\n\r\n[Next]\r\n");
  EXPECT_TRUE(WriteLanguageType(path, 0));
  EXPECT_EQ(ReadAll(path), "[other]\r\nA=\xb0\xa1\r\n[system]\r\nB=1\r\nLanguageType=0\r\n\r\n[Next]\r\n");
  WriteAll(path, "[Other]\r\nA=\xb0\xa1");
  EXPECT_TRUE(WriteLanguageType(path, 1));
  EXPECT_EQ(ReadAll(path), "[Other]\r\nA=\xb0\xa1\r\n[System]\r\nLanguageType=1\r\n");
}

// A file we cannot read whole (over the size cap; no read permission) is not
// rewritten from the part we know: the write fails quietly.
TEST(ConfigIni, AFileThatCannotBeReadIsNotRewritten) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  const QByteArray big = "[System]\nLanguageType=0\n" + QByteArray(1 << 20, '\x01');
  WriteAll(path, big);
  EXPECT_EQ(ReadLanguageType(path), 1);
  EXPECT_FALSE(WriteLanguageType(path, 1));
  EXPECT_EQ(ReadAll(path), big);
  WriteAll(path, "[System]\nLanguageType=0\n[Other]\nKey=kept\n");
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0200), 0);
  if (access(QFile::encodeName(path).constData(), R_OK) != 0) {  // root reads it anyway
    EXPECT_FALSE(WriteLanguageType(path, 1));
    chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(ReadAll(path), "[System]\nLanguageType=0\n[Other]\nKey=kept\n");
  }
}

TEST(ConfigIni, AnUnwritablePlaceFailsQuietlyAndLeavesTheFile) {
  QTemporaryDir dir;
  // Root ignores permission bits, so the unwritable place is a folder where the file should be.
  const QString blocked = dir.path() + "/config.ini";
  ASSERT_TRUE(QDir().mkpath(blocked));
  EXPECT_FALSE(WriteLanguageType(blocked, 0));
  EXPECT_EQ(ReadLanguageType(blocked), 1);
  EXPECT_FALSE(WriteLanguageType(dir.path() + "/missing/config.ini", 0));
}

}  // namespace
}  // namespace tolvane
