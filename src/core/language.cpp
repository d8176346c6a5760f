#include "core/language.h"

namespace tolvane {
namespace {
// Written on the window's thread only; the workers read it to choose status texts.
std::atomic<int> g_language{1};
}  // namespace

int UiLanguage() { return g_language.load(std::memory_order_relaxed); }
void SetUiLanguage(int lang) { g_language.store(lang & 0xFF, std::memory_order_relaxed); }

}  // namespace tolvane
