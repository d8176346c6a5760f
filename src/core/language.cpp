#include "core/language.h"

namespace tolvane {
namespace {
// Written on the window's thread only; the workers read it to choose status texts.
std::atomic<int> g_language{1};
}  // namespace

int UiLanguage() { return g_language.load(std::memory_order_relaxed); }
void SetUiLanguage(int lang) { g_language.store(lang & 0xFF, std::memory_order_relaxed); }

std::string PickFilled(const TextPair& pattern, std::initializer_list<std::string> values) {
  const std::string p = Pick(pattern);
  std::string out;
  auto next = values.begin();
  size_t at = 0;
  for (size_t mark = p.find("{}"); mark != std::string::npos; mark = p.find("{}", at)) {
    out += p.substr(at, mark - at);
    if (next != values.end()) out += *next++;
    at = mark + 2;
  }
  return out + p.substr(at);
}

}  // namespace tolvane
