// The profile and config.ini as files.
#include "connection/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/config_ini.h"

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

TEST(Profile, LivesUnderXdgConfigHomeAndRoundTrips) {
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
  EXPECT_EQ(DefaultProfilePath(), dir.path() + "/tolvane/tolvane.ini");
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
  const QByteArray text = ReadAll(DefaultProfilePath());
  EXPECT_TRUE(text.contains("[REM_DefaultCom]"));
  EXPECT_TRUE(text.contains("REM_BaudRate=57600"));
  EXPECT_TRUE(text.contains("REM_TransType=0"));
  Comm() = CommSettings{};
  IniProfileStore again;
  LoadCommSettings(again);
  EXPECT_EQ(Comm(), stored);
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(Profile, HandEditedNonsenseLoadsByTheRules) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/p.ini";
  WriteAll(path, QByteArray("[REM_DefaultCom]\nREM_ComPortName=ttyS9\nREM_StaNum=abc\nREM_BaudRate=99999999999\n"
                            "REM_Parity=\nREM_DataBytes=7, 8\nREM_StopBytes=\x01\x02\n"));
  IniProfileStore store(path);
  LoadCommSettings(store);
  EXPECT_EQ(Comm().portName, "ttyS9");
  EXPECT_EQ(Comm().station, 0);
  EXPECT_EQ(Comm().baud, 2147483647u);
  EXPECT_EQ(Comm().parity, 0);
  EXPECT_EQ(Comm().dataBits, 7);
  EXPECT_EQ(Comm().transferMode, 1);
  WriteAll(path, QByteArray("\x00\xff garbage without sections", 27));
  IniProfileStore binary(path);
  LoadCommSettings(binary);
  EXPECT_EQ(Comm(), CommSettings{});
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
