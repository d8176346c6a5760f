#include "models/lang_set_model.h"

#include "core/language.h"

namespace tolvane {

void LangSetModel::Open() {
  const bool chinese = UiLanguage() == 0;
  title = chinese ? txt::kLangTitle.zh : txt::kLangTitle.en;
  okCaption = chinese ? txt::kOk.zh : txt::kOk.en;
  selection = chinese ? 0 : 1;
}

bool LangSetModel::Ok() {
  if (selection == UiLanguage()) return false;
  SetUiLanguage(selection == 0 || selection == 1 ? selection : 0);
  if (write_) write_(UiLanguage());
  return true;
}

}  // namespace tolvane
