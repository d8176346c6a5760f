// The Find Module dialog as a view over its model, against the simulator.
#include "ui/find_module_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

TEST(FindModuleDlg, LabelsAndNamesInBothLanguages) {
  test::MessageRecorder rec;
  Comm() = CommSettings{};
  struct Row {
    int lang;
    // The title, the texts of Search, Use, Close and the check box, the line
    // setting shown and the figures; the accessible names of the port list,
    // From, To, the line settings and the result list (their labels), then the
    // result list's column headings.
    std::vector<std::string> texts;
  };
  const Row rows[] = {
      {1,
       {"Find Module", "Search", "Use", "Close", "Find all modules", "All, in Auto Link's order",
        "11856 probes, expected to take about 34 min.", "COM port:", "From:", "To:", "Line settings:", "Modules found:",
        "Station", "Baud rate", "Frame format", "Model"}},
      {0,
       {"查找模块", "搜索", "使用", "关闭", "查找所有模块", "全部，按自动检测的顺序",
        "共 11856 次探测，预计约 34 分钟。", "COM口：", "起始站号：", "结束站号：", "通讯参数：", "找到的模块：",
        "站号", "波特率", "帧格式", "型号"}},
  };
  for (const Row& r : rows) {
    SetUiLanguage(r.lang);
    CFindModuleDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyS0"}; });
    std::vector<QString> texts{dlg.windowTitle(),         dlg.searchButton()->text(), dlg.useButton()->text(),
                               dlg.closeButton()->text(), dlg.findAll()->text(),      dlg.lines()->currentText(),
                               dlg.figures()->text()};
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{dlg.ports(), dlg.from(), dlg.to(), dlg.lines(), dlg.results()})
      texts.push_back(w->accessibleName());
    for (int c = 0; c < dlg.results()->columnCount(); ++c) texts.push_back(dlg.results()->headerItem()->text(c));
    std::vector<std::string> got;
    for (const QString& t : texts) got.push_back(t.toStdString());
    EXPECT_EQ(got, r.texts);
    EXPECT_EQ(dlg.findAll()->accessibleName(), dlg.findAll()->text());
    EXPECT_EQ(dlg.progress()->accessibleName(), dlg.figures()->text());
    EXPECT_FALSE(dlg.useButton()->isEnabled());
    EXPECT_FALSE(dlg.findAll()->isChecked());
    EXPECT_EQ(dlg.lines()->itemText(1), "9600 RTU 8N2");  // the settings stored for the connection
    EXPECT_EQ(dlg.from()->text(), "1");
    EXPECT_EQ(dlg.to()->text(), "247");
    // One line setting over the whole range: about 28 s at 9600 RTU.
    dlg.lines()->setCurrentIndex(1);
    emit dlg.lines()->activated(1);
    EXPECT_NE(dlg.figures()->text().indexOf(r.lang ? "about 28 s" : "约 28 秒"), -1)
        << dlg.figures()->text().toStdString();
  }
  SetUiLanguage(1);
}

// A short range finds the module at 201; Use connects to it as Link does, Close
// leaves the connection as it was, and a changed input drops what was found.
TEST(FindModuleDlg, FindsTheModuleThenUseConnectsOrCloseLeavesAllAsItWas) {
  test::MessageRecorder rec;
  SetUiLanguage(1);
  test::SimProcess sim({"--station", "201", "--baud", "19200", "--mode", "5"});
  enum End { kClose, kUse, kEditFrom, kEditTo, kOtherLines };
  for (End end : {kClose, kUse, kEditFrom, kEditTo, kOtherLines}) {
    const bool use = end == kUse;
    SCOPED_TRACE(end);
    test::UsePort(sim.port(), 19200, 5, 7);
    Link().ClosePort();
    ConnectedFlag().store(0);
    const CommSettings before = Comm();
    CFindModuleDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [&] { return std::vector<std::string>{sim.port()}; });
    dlg.from()->setText("195");
    emit dlg.from()->textEdited("195");
    dlg.to()->setText("215");
    emit dlg.to()->textEdited("215");
    emit dlg.lines()->activated(1);
    EXPECT_EQ(dlg.figures()->text(), "21 probes, expected to take about 2 s.");
    dlg.searchButton()->click();
    EXPECT_EQ(dlg.searchButton()->text(), "Stop");
    EXPECT_FALSE(dlg.closeButton()->isEnabled());
    dlg.reject();  // cannot close while it runs, by Escape nor by the frame
    EXPECT_FALSE(dlg.close());
    EXPECT_TRUE(dlg.model().Running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.model().Running(); }, 30000));
    EXPECT_EQ(dlg.searchButton()->text(), "Search");
    ASSERT_EQ(dlg.results()->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = dlg.results()->topLevelItem(0);
    EXPECT_EQ(row->text(0) + " " + row->text(1) + " " + row->text(2) + " " + row->text(3),
              "201 19200 ASCII 7E1 KX-130");
    EXPECT_EQ(dlg.results()->currentItem(), row);  // the first module found is selected
    EXPECT_TRUE(dlg.useButton()->isEnabled());
    // Ended: nothing is left to take, though the bound of the 14 pairs not tried is 2 s.
    EXPECT_EQ(dlg.figures()->text().startsWith("probe 7/21, "), true) << dlg.figures()->text().toStdString();
    EXPECT_EQ(dlg.figures()->text().endsWith(", at most 0 s left"), true) << dlg.figures()->text().toStdString();
    if (end >= kEditFrom) {
      if (end == kEditFrom) {
        dlg.from()->setText("196");
        emit dlg.from()->textEdited("196");
      } else if (end == kEditTo) {
        dlg.to()->setText("204");
        emit dlg.to()->textEdited("204");
      } else {
        dlg.lines()->setCurrentIndex(0);
        emit dlg.lines()->activated(0);
      }
      // The list, its status and Use no longer match the inputs shown.
      EXPECT_EQ(dlg.results()->topLevelItemCount(), 0);
      EXPECT_FALSE(dlg.useButton()->isEnabled());
      EXPECT_TRUE(dlg.model().status.empty()) << dlg.model().status;
      EXPECT_NE(dlg.figures()->text().indexOf("expected to take"), -1) << dlg.figures()->text().toStdString();
    }
    // Between the search and the choice, the connection is the one of before.
    EXPECT_EQ(Comm(), before);
    EXPECT_FALSE(Link().IsOpen());
    (use ? dlg.useButton() : dlg.closeButton())->click();
    EXPECT_EQ(dlg.result(), use ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(Comm().station, use ? 201 : 7);
    EXPECT_EQ(Link().IsOpen(), use);
    EXPECT_EQ(IsConnected(), use);
  }
  Link().ClosePort();
  ConnectedFlag().store(0);
  EXPECT_TRUE(rec.Texts().empty());
}

}  // namespace
}  // namespace tolvane
