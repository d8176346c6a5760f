// The floor for the start-up benchmark: the least a Qt Widgets program does to
// show one dialog with one line of text, in English or (argument "zh") in
// Chinese. It says "ready" on TOLVANE_READY_FD at its first paint, as Tolvane does.
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "app/ready_signal.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool chinese = argc > 1 && std::strcmp(argv[1], "zh") == 0;
  QDialog dlg;
  dlg.setWindowTitle(chinese ? "通信设置" : "Communication Setting");
  auto* label = new QLabel(chinese ? "指定的通讯口不存在" : "Specified communication port does not exist!", &dlg);
  label->move(20, 20);
  dlg.resize(400, 200);
  tolvane::ReadySignal ready(&dlg);
  return dlg.exec();
}
