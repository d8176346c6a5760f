// Tells whoever started the program (tests, the start-up benchmark) that a
// window has been painted once: "ready" on the descriptor named by
// TOLVANE_READY_FD. Header-only, so that the benchmark's bare Qt program signals
// exactly as Tolvane does.
#pragma once
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <unistd.h>

#include <cstdlib>

namespace tolvane {

class ReadySignal : public QObject {
 public:
  // Watches window when TOLVANE_READY_FD names a descriptor; does nothing otherwise.
  explicit ReadySignal(QWidget* window) {
    const char* fd = std::getenv("TOLVANE_READY_FD");
    if (!fd || !*fd) return;
    fd_ = std::atoi(fd);
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && fd_ >= 0) {
      const ssize_t ignored = ::write(fd_, "ready\n", 6);
      (void)ignored;
      ::close(fd_);
      fd_ = -1;
      watched->removeEventFilter(this);
    }
    return false;
  }

 private:
  int fd_ = -1;
};

}  // namespace tolvane
