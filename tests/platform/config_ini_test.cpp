// config.ini is exercised in platform/settings_store_test.cpp beside the profile;
// this file checks the start-up rule that ties it to the language.
#include "platform/config_ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/language.h"
#include "support/qt_paths.h"

namespace tolvane {
namespace {

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

}  // namespace
}  // namespace tolvane
