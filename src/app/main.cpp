#include <QApplication>

#include "app/condrel_app.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName("Tolvane");
  QGuiApplication::setDesktopFileName("org.tolvane.Tolvane");  // the installed desktop entry
  tolvane::COndrelApp app;
  return app.Run();
}
