// config.ini is exercised in connection/settings_store_test.cpp beside the profile;
// this file checks the start-up rule that ties it to the language.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/config_ini.h"
#include "app/language.h"

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

}  // namespace
}  // namespace tolvane
