#pragma once
#include <atomic>

#include "core/texts.h"

namespace tolvane {

// 0 Chinese, 1 English. Any other stored value is kept as is but shown as English.
int UiLanguage();
void SetUiLanguage(int lang);
inline bool IsChinese() { return UiLanguage() == 0; }
inline const char* Pick(const TextPair& p) { return IsChinese() ? p.zh : p.en; }

}  // namespace tolvane
