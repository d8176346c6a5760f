#include "ui/qt_services.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "core/language.h"

namespace tolvane {

MsgAnswer QtMessagePresenter::Present(const MessageRequest& r) {
  const bool wasWaiting = waiting_;
  if (wasWaiting) SetWaitCursor(false);
  QMessageBox box(ToWidget(r.owner));
  box.setWindowTitle(QString::fromStdString(r.caption));
  box.setText(QString::fromStdString(r.text));
  // A screen reader announces the box by its caption and reads its text.
  box.setAccessibleName(box.windowTitle());
  box.setAccessibleDescription(box.text());
  box.setIcon(r.icon == MsgIcon::Information   ? QMessageBox::Information
              : r.icon == MsgIcon::Exclamation ? QMessageBox::Warning
                                               : QMessageBox::NoIcon);
  box.setWindowModality(Qt::ApplicationModal);
  const bool english = r.englishLocale || !IsChinese();
  MsgAnswer answer = MsgAnswer::Ok;
  if (r.buttons == MsgButtons::YesNo) {
    QPushButton* yes = box.addButton(english ? "Yes" : "是", QMessageBox::YesRole);
    QPushButton* no = box.addButton(english ? "No" : "否", QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    answer = box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
  } else {
    QPushButton* ok = box.addButton(english ? "OK" : "确定", QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
  }
  if (wasWaiting) SetWaitCursor(true);
  return answer;
}

void QtMessagePresenter::SetWaitCursor(bool on) {
  if (on == waiting_) return;
  waiting_ = on;
  if (on)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtDispatcher::RunBlocking(const std::function<void()>& fn) {
  if (QThread::currentThread() == qApp->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      qApp, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void QtDispatcher::Post(std::function<void()> fn) {
  QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
}

QtDispatcher& GuiDispatcher() {
  static QtDispatcher d;
  return d;
}

}  // namespace tolvane
