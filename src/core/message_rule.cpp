#include "core/message_rule.h"

#include <algorithm>

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

FilledPair FillPair(const TextPair& pair, std::initializer_list<std::pair<std::string_view, std::string>> values) {
  auto fill = [&values](std::string_view text) {
    std::string out;
    size_t at = 0;
    for (size_t open = text.find('{'); open != std::string_view::npos; open = text.find('{', at)) {
      const size_t close = text.find('}', open);
      if (close == std::string_view::npos) break;
      const std::string_view name = text.substr(open + 1, close - open - 1);
      out.append(text.substr(at, open - at));
      const auto* v = std::find_if(values.begin(), values.end(), [&](const auto& p) { return p.first == name; });
      if (v != values.end())
        out += v->second;
      else
        out.append(text.substr(open, close + 1 - open));
      at = close + 1;
    }
    out.append(text.substr(at));
    return out;
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

MsgAnswer AskYesNoPair(WindowId owner, const TextPair& text) {
  MessageRequest r = Build(owner, text, txt::kCaption.zh, false);
  r.buttons = MsgButtons::YesNo;
  r.icon = MsgIcon::Exclamation;
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
