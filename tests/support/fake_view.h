#pragma once
#include <string>
#include <vector>

#include "models/main_model.h"

namespace tolvane::test {

// Stands in for the main window's widgets: what the user sees lives in `screen`.
class FakeMainView : public MainView {
 public:
  std::array<std::string, kFieldCount> screen;
  int mode = 0, baud = 0;
  std::vector<int> focus;
  int focusAway = 0;
  void Pull(MainModel& m) override {
    m.fields = screen;
    m.modeSelection = mode;
    m.baudSelection = baud;
  }
  void Push(const MainModel& m) override {
    screen = m.fields;
    mode = m.modeSelection;
    baud = m.baudSelection;
  }
  void FocusField(Field f) override { focus.push_back(f); }
  void FocusAway() override { ++focusAway; }
};

}  // namespace tolvane::test
