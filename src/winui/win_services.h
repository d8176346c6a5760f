// The message rule's boxes and the worker's road to the window's thread, on Win32.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "core/dispatcher.h"
#include "core/message_rule.h"

namespace tolvane::win {

// What one message box call is: MessageBoxW, or MessageBoxExW with a language.
struct BoxCall {
  HWND owner = nullptr;
  std::wstring text, caption;
  UINT style = 0;
  WORD language = 0;  // 0: MessageBoxW; else MessageBoxExW with this language
};
BoxCall BoxFor(const MessageRequest& request);

class Win32MessagePresenter : public MessagePresenter {
 public:
  MsgAnswer Present(const MessageRequest& request) override;
  void SetWaitCursor(bool on) override;
};

// Post queues work for the thread that made the dispatcher and wakes it with a
// posted message; RunBlocking sends one and waits. The worker never touches a
// window: what it hands over runs on the window's thread.
class Win32Dispatcher : public UiDispatcher {
 public:
  Win32Dispatcher();  // on the window's thread
  ~Win32Dispatcher() override;
  void RunBlocking(const std::function<void()>& fn) override;
  void Post(std::function<void()> fn) override;
  DWORD threadId() const { return thread_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND target_ = nullptr;  // a message-only window
  DWORD thread_ = 0;
};
Win32Dispatcher& GuiDispatcher();

}  // namespace tolvane::win
