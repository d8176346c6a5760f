#pragma once
#include <atomic>
#include <initializer_list>
#include <string>

#include "core/texts.h"

namespace tolvane {

// 0 Chinese, 1 English. Any other stored value is kept as is but shown as English.
int UiLanguage();
void SetUiLanguage(int lang);
inline bool IsChinese() { return UiLanguage() == 0; }
inline const char* Pick(const TextPair& p) { return IsChinese() ? p.zh : p.en; }
// The current language's text with each "{}" replaced by the next value, in order.
std::string PickFilled(const TextPair& pattern, std::initializer_list<std::string> values);

}  // namespace tolvane
