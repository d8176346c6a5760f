#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

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

}  // namespace tolvane::test
