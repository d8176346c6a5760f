// The one way the program raises a message box. A presenter (the Qt one, or a
// test's recorder) does the showing; the rules here decide text, caption,
// owner, icon and buttons.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "core/texts.h"

namespace tolvane {

using WindowId = const void*;  // an opaque window handle; nullptr = no owner

enum class MsgIcon { None, Information, Exclamation };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

struct MessageRequest {
  WindowId owner = nullptr;
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::Information;
  MsgButtons buttons = MsgButtons::Ok;
  bool englishLocale = false;  // English button texts whatever the system language
};

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual MsgAnswer Present(const MessageRequest& request) = 0;
  virtual void SetWaitCursor(bool /*on*/) {}
};

// nullptr restores the silent default (answers OK and No).
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter& Presenter();

// A catalogue pair with its "%s" filled in; View() lends it to the functions below
// for as long as the FilledPair lives.
struct FilledPair {
  std::string zh, en;
  TextPair View() const { return {zh.c_str(), en.c_str()}; }
};
// Fills the named slots ("{port}") of both texts in one pass over each text, so
// what a value holds is only ever text; a slot without a value stays as it is.
FilledPair FillPair(const TextPair& pair, std::initializer_list<std::pair<std::string_view, std::string>> values);

// The rule: Chinese in the owner's box captioned "提示", English in an unowned
// English-locale box captioned "Remind"; OK, information icon.
MsgAnswer ShowMessagePair(WindowId owner, const TextPair& text);
// Port-open failures: Chinese caption "错误"; the English box keeps its owner.
MsgAnswer ShowPortMessagePair(WindowId owner, const TextPair& text);
// Read failures: Chinese caption "错误"; no owner in either language.
MsgAnswer ShowReadFailurePair(const TextPair& text);
// The factory-restore question: Yes/No, exclamation icon in Chinese only.
MsgAnswer AskRestoreFactoryPair(WindowId owner);
// A Yes/No question by the rule (replacing a file): exclamation icon in both languages.
MsgAnswer AskYesNoPair(WindowId owner, const TextPair& text);
// One plain owned box for both languages (the connection success box).
MsgAnswer ShowPlainBox(WindowId owner, const std::string& text);
// As the rule, but the Chinese box has no owner (the stopped search).
MsgAnswer ShowMessagePairUnowned(const TextPair& text);

// Shows the wait cursor while a device operation blocks the window's thread.
class WaitCursor {
 public:
  WaitCursor() { Presenter().SetWaitCursor(true); }
  ~WaitCursor() { Presenter().SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
void EndWaitCursor();

}  // namespace tolvane
