#pragma once
#include <QObject>

#include "core/dispatcher.h"
#include "core/message_rule.h"

class QWidget;

namespace tolvane {

inline QWidget* ToWidget(WindowId id) { return static_cast<QWidget*>(const_cast<void*>(id)); }
inline WindowId ToWindowId(const QWidget* w) { return w; }

class QtMessagePresenter : public MessagePresenter {
 public:
  MsgAnswer Present(const MessageRequest& request) override;
  void SetWaitCursor(bool on) override;

 private:
  bool waiting_ = false;
};

// Runs worker requests on the GUI thread: a blocking queued call, as setting a
// control from another thread is on the platform the dialogs were designed for.
class QtDispatcher : public UiDispatcher {
 public:
  void RunBlocking(const std::function<void()>& fn) override;
  void Post(std::function<void()> fn) override;
};
QtDispatcher& GuiDispatcher();

}  // namespace tolvane
