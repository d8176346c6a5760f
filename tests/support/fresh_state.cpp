#include "support/fresh_state.h"

#include <memory>

#include "core/comm_settings.h"
#include "core/language.h"
#include "core/message_rule.h"
#include "link/serial_backend.h"
#include "link/serial_link.h"

namespace tolvane::test {

void ResetProcessState() {
  SetUiLanguage(1);
  Comm() = CommSettings{};
  ConnectedFlag().store(0);
  Link().ClosePort();
  Link().SetBackend(MakeSystemBackend());
  SetMessagePresenter(nullptr);
}

}  // namespace tolvane::test
