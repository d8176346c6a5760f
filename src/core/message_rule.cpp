#include "core/message_rule.h"

#include "core/language.h"

namespace tolvane {
namespace {

class SilentPresenter : public MessagePresenter {
 public:
  MsgAnswer Present(const MessageRequest& r) override {
    return r.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
  }
};

SilentPresenter g_silent;
MessagePresenter* g_presenter = &g_silent;

MessageRequest Build(WindowId owner, const TextPair& text, const char* zhCaption, bool enOwned) {
  MessageRequest r;
  if (IsChinese()) {
    r.owner = owner;
    r.caption = zhCaption;
    r.text = text.zh;
  } else {
    r.owner = enOwned ? owner : nullptr;
    r.caption = txt::kCaption.en;
    r.text = text.en;
    r.englishLocale = true;
  }
  return r;
}

}  // namespace

FilledPair FillPair(const TextPair& pair, const std::string& value) {
  // Only the first "%s" is a slot; whatever the value holds is taken as text.
  auto fill = [&value](std::string text) {
    if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, value);
    return text;
  };
  return {fill(pair.zh), fill(pair.en)};
}

void SetMessagePresenter(MessagePresenter* presenter) { g_presenter = presenter ? presenter : &g_silent; }
MessagePresenter& Presenter() { return *g_presenter; }
void EndWaitCursor() { g_presenter->SetWaitCursor(false); }

MsgAnswer ShowMessagePair(WindowId owner, const TextPair& text) {
  return g_presenter->Present(Build(owner, text, txt::kCaption.zh, false));
}

MsgAnswer ShowPortMessagePair(WindowId owner, const TextPair& text) {
  return g_presenter->Present(Build(owner, text, txt::kErrorCaptionZh, true));
}

MsgAnswer ShowReadFailurePair(const TextPair& text) {
  return g_presenter->Present(Build(nullptr, text, txt::kErrorCaptionZh, false));
}

MsgAnswer AskRestoreFactoryPair(WindowId owner) {
  MessageRequest r = Build(owner, txt::kRestoreConfirm, txt::kCaption.zh, false);
  r.buttons = MsgButtons::YesNo;
  r.icon = IsChinese() ? MsgIcon::Exclamation : MsgIcon::None;
  return g_presenter->Present(r);
}

MsgAnswer ShowPlainBox(WindowId owner, const std::string& text) {
  MessageRequest r;
  r.owner = owner;
  r.caption = Pick(txt::kCaption);
  r.text = text;
  return g_presenter->Present(r);
}

MsgAnswer ShowMessagePairUnowned(const TextPair& text) {
  return g_presenter->Present(Build(nullptr, text, txt::kCaption.zh, false));
}

}  // namespace tolvane
