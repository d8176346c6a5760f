// config.ini is exercised in platform/settings_store_test.cpp beside the profile;
// this file checks the start-up rule that ties it to the language.
#include "platform/config_ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

#include "core/language.h"
#include "support/qt_paths.h"
#include "support/utf16_bytes.h"

namespace tolvane {
namespace {

using test::Utf16;

TEST(StartUpLanguage, OtherValuesAreKeptButShownAsEnglish) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  ASSERT_TRUE(WriteLanguageType(path, 5));
  SetUiLanguage(ReadLanguageType(path));
  EXPECT_EQ(UiLanguage(), 5);
  EXPECT_FALSE(IsChinese());
  EXPECT_STREQ(Pick(txt::kOk), "OK");
  SetUiLanguage(1);
}

// The language is read as an INI integer with the default English: an empty
// value is no value (the default), not the number 0; quotes around it go.
TEST(StartUpLanguage, AnEmptyValueIsEnglish) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  for (const char* text :
       {"[System]\nLanguageType=\n", "[System]\r\nLanguageType=  \r\n", "[System]\nLanguageType=\"\""}) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    EXPECT_EQ(ReadLanguageType(path), 1) << text;
  }
  ASSERT_TRUE(WriteLanguageType(path, 0));
  EXPECT_EQ(ReadLanguageType(path), 0);
}

void Put(const QString& path, const std::string& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string Got(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(unreadable)");
}

// A config.ini as a Windows editor saves it ("Unicode" is UTF-16LE with its
// mark, "Unicode big endian" UTF-16BE), read and changed in its own encoding,
// every other byte kept.
TEST(ConfigIni, EveryEncodingIsReadAndAChangeKeepsIt) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/config.ini";
  const struct {
    std::string before;
    int read;
    std::string after;  // once LanguageType is set to 1
  } cases[] = {
      {Utf16(u"[System]\r\nLanguageType=0\r\n"), 0, Utf16(u"[System]\r\nLanguageType=1\r\n")},
      {Utf16(u"; \u8BED\u8A00\r\n[System] ; UI\r\nLanguageType = 0 ; \u4E2D\u6587\r\n"), 0,
       Utf16(u"; \u8BED\u8A00\r\n[System] ; UI\r\nLanguageType = 1 ; \u4E2D\u6587\r\n")},
      {Utf16(u"[Other]\r\nk=v\r\n"), 1, Utf16(u"[Other]\r\nk=v\r\n[System]\r\nLanguageType=1\r\n")},
      {Utf16(u"[System]\r\nLanguageType=0"), 0, Utf16(u"[System]\r\nLanguageType=1")},
      {Utf16(u"[Other]\r\nk=\u4E2D\r\n", true), 1,
       Utf16(u"[Other]\r\nk=\u4E2D\r\n[System]\r\nLanguageType=1\r\n", true)},
      {"\xEF\xBB\xBF[System]\nLanguageType=0\n", 0, "\xEF\xBB\xBF[System]\nLanguageType=1\n"},
      {"[System]\nLanguageType=0\n", 0, "[System]\nLanguageType=1\n"},
  };
  for (const auto& c : cases) {
    Put(path, c.before);
    EXPECT_EQ(ReadLanguageType(path), c.read) << c.after;
    ASSERT_TRUE(WriteLanguageType(path, 1));
    EXPECT_EQ(Got(path), c.after);
    EXPECT_EQ(ReadLanguageType(path), 1);
  }
  // Half a UTF-16 character at the end: no text to keep, so it is left as it is.
  const std::string cut = Utf16(u"[System]\r\nLanguageType=0\r\n") + "\n";
  Put(path, cut);
  EXPECT_EQ(ReadLanguageType(path), 1);
  EXPECT_FALSE(WriteLanguageType(path, 0));
  EXPECT_EQ(Got(path), cut);
}

}  // namespace
}  // namespace tolvane
