#include "core/message_rule.h"

#include <gtest/gtest.h>

#include "core/language.h"
#include "models/lang_set_model.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

TEST(MessageRule, ChineseIsOwnedAndCaptionedTiShi) {
  MessageRecorder rec;
  SetUiLanguage(0);
  int window = 0;
  ShowMessagePair(&window, txt::kPleaseConnect);
  ASSERT_EQ(rec.messages.size(), 1u);
  const MessageRequest& m = rec.messages[0];
  EXPECT_EQ(m.owner, &window);
  EXPECT_EQ(m.caption, "提示");
  EXPECT_EQ(m.text, "请连接设备！");
  EXPECT_EQ(m.icon, MsgIcon::Information);
  EXPECT_EQ(m.buttons, MsgButtons::Ok);
  EXPECT_FALSE(m.englishLocale);
  SetUiLanguage(1);
}

TEST(MessageRule, EnglishAndAnyOtherValueHaveNoOwnerAndCaptionRemind) {
  MessageRecorder rec;
  int window = 0;
  for (int lang : {1, 2, 255}) {
    SetUiLanguage(lang);
    ShowMessagePair(&window, txt::kPleaseConnect);
    ASSERT_GE(rec.messages.size(), 1u);
    const MessageRequest& m = rec.messages.back();
    EXPECT_EQ(m.owner, nullptr);
    EXPECT_EQ(m.caption, "Remind");
    EXPECT_EQ(m.text, "Please connect the device!");
    EXPECT_TRUE(m.englishLocale);
  }
  SetUiLanguage(1);
}

TEST(MessageRule, Variants) {
  MessageRecorder rec;
  int window = 0;
  SetUiLanguage(0);
  ShowReadFailurePair(txt::kTimeout);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().caption, "错误");
  EXPECT_EQ(rec.messages.back().owner, nullptr);
  ShowMessagePairUnowned(txt::kPortOpFailed);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().caption, "提示");
  EXPECT_EQ(rec.messages.back().owner, nullptr);
  rec.answer = MsgAnswer::Yes;
  EXPECT_EQ(AskRestoreFactoryPair(&window), MsgAnswer::Yes);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().icon, MsgIcon::Exclamation);
  EXPECT_EQ(rec.messages.back().buttons, MsgButtons::YesNo);
  EXPECT_EQ(rec.messages.back().owner, &window);
  SetUiLanguage(1);
  rec.answer = MsgAnswer::No;
  EXPECT_EQ(AskRestoreFactoryPair(&window), MsgAnswer::No);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().icon, MsgIcon::None);
  EXPECT_EQ(rec.messages.back().caption, "Remind");
  EXPECT_EQ(rec.messages.back().text, "Will the factory restore operation be performed? Do you want to continue?");
  ShowPlainBox(&window, "Connection successful!The module model is KX-130.");
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages.back().owner, &window);  // the plain box keeps its owner in English too
  EXPECT_FALSE(rec.messages.back().englishLocale);
}

TEST(LangSetModel, OpeningAndOkRules) {
  std::vector<int> written;
  SetUiLanguage(1);
  LangSetModel en([&](int l) { written.push_back(l); });
  en.Open();
  EXPECT_EQ(en.title, "Language setting");
  EXPECT_EQ(en.okCaption, "OK");
  EXPECT_EQ(en.selection, 1);
  EXPECT_FALSE(en.Ok());  // unchanged: nothing written
  EXPECT_TRUE(written.empty());
  en.selection = 0;
  EXPECT_TRUE(en.Ok());
  EXPECT_EQ(UiLanguage(), 0);
  EXPECT_EQ(written, std::vector<int>{0});

  LangSetModel zh([&](int l) { written.push_back(l); });
  zh.Open();
  EXPECT_EQ(zh.title, "语言设置");
  EXPECT_EQ(zh.okCaption, "确定");
  EXPECT_EQ(zh.selection, 0);
  zh.selection = -1;  // no selection differs from 0 and so stores Chinese again
  EXPECT_TRUE(zh.Ok());
  EXPECT_EQ(UiLanguage(), 0);
  EXPECT_EQ(written.back(), 0);

  SetUiLanguage(7);  // a stored value other than 0 or 1 reads as English
  LangSetModel other([&](int l) { written.push_back(l); });
  other.Open();
  EXPECT_EQ(other.title, "Language setting");
  EXPECT_EQ(other.selection, 1);
  EXPECT_TRUE(other.Ok());  // the user picked English: now stored as 1
  EXPECT_EQ(UiLanguage(), 1);
  EXPECT_EQ(written.back(), 1);
}

}  // namespace
}  // namespace tolvane
