#pragma once
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "support/recorders.h"
#include "ui/qt_services.h"

namespace tolvane::test {

// Runs fn on the first modal dialog of type T once it is up (the caller then
// enters the dialog's exec).
template <typename T>
void WhenModal(std::function<void(T*)> fn) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      fn(dlg);
    }
  });
  timer->start();
}

// Records every message and also shows it in a real message box, answered
// with its default button once it is up, so that the box really takes the
// focus from the window as it does for a user. When the box has gone, the
// window that was active gets the focus back, as a window manager gives it.
class RealBoxRecorder : public MessageRecorder {
 public:
  MsgAnswer Present(const MessageRequest& request) override {
    MessageRecorder::Present(request);
    QWidget* active = QApplication::activeWindow();
    WhenModal<QMessageBox>([](QMessageBox* box) { box->defaultButton()->click(); });
    const MsgAnswer given = boxes_.Present(request);
    if (active) QApplication::setActiveWindow(active);
    return given;
  }

 private:
  QtMessagePresenter boxes_;
};

}  // namespace tolvane::test
