#pragma once
#include <functional>
#include <string>

namespace tolvane {

// The language dialog without its widgets.
class LangSetModel {
 public:
  explicit LangSetModel(std::function<void(int)> writeLanguage) : write_(std::move(writeLanguage)) {}
  void Open();
  // OK: a changed choice becomes UiLanguage and is written; returns true when written.
  bool Ok();
  int selection = -1;  // 0 Chinese, 1 English
  std::string title;
  std::string okCaption;

 private:
  std::function<void(int)> write_;
};

}  // namespace tolvane
