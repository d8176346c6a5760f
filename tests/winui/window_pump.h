// Driving the Win32 windows from a test: this thread's messages, waits with a
// deadline, keys as a loop hands them over, and steps that run inside a real
// modal loop.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tolvane::test {

// As long as the model tests give a worker on a busy machine.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(90);

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Runs this thread's messages until done() holds or the deadline passes;
// between rounds it sleeps until a message arrives or a worker may have moved
// on (10 ms). Returns done().
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds patience = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    Pump();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// A key as a modeless dialog's message loop hands it over.
inline void Key(HWND dialog, UINT vk) {
  MSG msg{GetFocus(), WM_KEYDOWN, vk, 0, 0, {}};
  if (!IsDialogMessageW(dialog, &msg)) DispatchMessageW(&msg);
  Pump();
}

// Ctrl as the keyboard state shows it to the next keys a loop takes.
inline void HoldCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

// A key pressed and released, queued for whatever loop takes this thread's messages next.
inline void PostKey(HWND to, UINT vk) {
  PostMessageW(to, WM_KEYDOWN, vk, 1);
  PostMessageW(to, WM_KEYUP, vk, 0xC0000001);
}

// Runs its steps one per timer tick on this thread, so that each runs inside
// whatever loop takes the messages then: a step that opens a modal dialog
// stays in its loop, and the next steps run inside that loop, as a user's
// keys would arrive. A step's posted messages are taken before the next tick.
// A step made by Until runs nothing: the steps after it wait until its
// condition holds (say, a worker has ended). Past the patience the test fails
// and every modal loop still open is cancelled, so that a dialog that ignores
// its keys ends the test instead of holding it until it is killed.
class ModalSteps {
 public:
  struct Step {
    // A plain function is a step.
    template <class F, class = std::enable_if_t<std::is_invocable_v<F&>>>
    Step(F f) : act(std::move(f)) {}  // NOLINT(google-explicit-constructor)
    std::function<void()> act;
    std::function<bool()> ready;  // unset: at once
  };
  static Step Until(std::function<bool()> condition) {
    Step step([] {});
    step.ready = std::move(condition);
    return step;
  }

  explicit ModalSteps(std::vector<Step> steps, std::chrono::milliseconds patience = kPatience)
      : steps_(std::move(steps)), deadline_(std::chrono::steady_clock::now() + patience) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, Tick);
  }
  ~ModalSteps() {
    if (timer_) KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  ModalSteps(const ModalSteps&) = delete;
  ModalSteps& operator=(const ModalSteps&) = delete;
  // Every step has returned.
  bool finished() const { return returned_ == steps_.size(); }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalSteps* self = current_;
    if (!self || self->finished()) return;
    if (std::chrono::steady_clock::now() >= self->deadline_) {
      if (!self->gaveUp_) ADD_FAILURE() << "steps not done within the patience: " << self->returned_ << " returned";
      self->gaveUp_ = true;
      self->next_ = self->steps_.size();  // what has not started never will
      // The innermost modal dialog or message box is the one enabled; both are of
      // the dialog class, the main window is not.
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND h, LPARAM) -> BOOL {
            wchar_t cls[16] = {};
            if (IsWindowVisible(h) && IsWindowEnabled(h) && GetClassNameW(h, cls, 16) &&
                std::wstring_view(cls) == L"#32770")
              PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
            return TRUE;
          },
          0);
      return;
    }
    if (self->next_ >= self->steps_.size()) return;
    const Step& step = self->steps_[self->next_];
    if (step.ready && !step.ready()) return;
    ++self->next_;
    step.act();
    ++self->returned_;
  }
  static inline thread_local ModalSteps* current_ = nullptr;
  std::vector<Step> steps_;
  std::chrono::steady_clock::time_point deadline_;
  size_t next_ = 0, returned_ = 0;
  bool gaveUp_ = false;
  UINT_PTR timer_ = 0;
};

}  // namespace tolvane::test
