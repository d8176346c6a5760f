#pragma once
#include <functional>

namespace tolvane {

// Carries work from a worker thread to the window's thread.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // Runs fn on the window's thread and waits for it (inline when already there).
  virtual void RunBlocking(const std::function<void()>& fn) = 0;
  // Queues fn for the window's thread and returns at once.
  virtual void Post(std::function<void()> fn) = 0;
};

}  // namespace tolvane
