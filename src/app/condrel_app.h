#pragma once
#include <QString>

namespace tolvane {

// Start-up: executable folder, config.ini, UI language, the profile, the main window.
class COndrelApp {
 public:
  // Runs the program on an existing QApplication; returns the exit code.
  int Run();
  QString exeDir() const { return exeDir_; }
  QString configPath() const { return configPath_; }

 private:
  QString exeDir_;
  QString configPath_;
};

}  // namespace tolvane
