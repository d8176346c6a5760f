// The traffic monitor window: opened from the menu, one instance, its controls
// named after their labels in both languages, Pause, Copy and Save, and the
// probe of a Link against the simulated coupler.
#include "ui/traffic_monitor_dlg.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "ui/com_set_dlg.h"
#include "ui/lang_set_dlg.h"
#include "ui/main_dlg.h"
#include "ui/ui_support.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

QStringList Rows(const CTrafficMonitorDlg& m) {
  QStringList rows;
  const QAbstractItemModel* model = m.list()->model();
  for (int r = 0; r < model->rowCount(); ++r) rows << model->index(r, 0).data().toString();
  return rows;
}

QString Name(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }

std::unique_ptr<COndrelDlg> MakeMain(test::MemoryProfile* profile = nullptr) {
  MainDlgDeps deps;
  deps.profile = profile;
  deps.logicalDpiY = 96;
  deps.writeLanguage = [](int) {};
  auto main = std::make_unique<COndrelDlg>(deps);
  main->show();
  return main;
}

TEST(TrafficMonitorDlg, TheMenuOpensOneMonitorThatRelabelsWithTheWindow) {
  MessageRecorder rec;
  SetUiLanguage(1);
  auto main = MakeMain();
  QMenu* comm = main->menuBar()->actions()[0]->menu();
  QAction* item = comm->actions()[2];
  EXPECT_EQ(item->text(), "Traffic Monitor");
  EXPECT_EQ(item->shortcut(), QKeySequence("Ctrl+T"));
  EXPECT_EQ(main->trafficMonitor(), nullptr);  // nothing is made before it is asked for

  item->trigger();
  CTrafficMonitorDlg* monitor = main->trafficMonitor();
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->isVisible());
  EXPECT_FALSE(monitor->isModal());
  EXPECT_TRUE(monitor->refreshing());
  monitor->ClearClick();
  Traffic().Record(TrafficEvent::kPurge);
  monitor->Refresh();
  ASSERT_EQ(Rows(*monitor).size(), 1);
  EXPECT_TRUE(Rows(*monitor)[0].endsWith("  purge"));

  // Closed, it only hides and stops reading; the menu brings back the same one.
  monitor->close();
  EXPECT_FALSE(monitor->isVisible());
  EXPECT_FALSE(monitor->refreshing());
  Traffic().Record(TrafficEvent::kClose);  // while hidden: read as soon as it is shown again
  QApplication::setActiveWindow(main.get());
  QTest::keyClick(main.get(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(main->trafficMonitor(), monitor);
  EXPECT_TRUE(monitor->isVisible());
  EXPECT_EQ(main->findChildren<CTrafficMonitorDlg*>().size(), 1);
  ASSERT_EQ(Rows(*monitor).size(), 2);
  EXPECT_TRUE(Rows(*monitor)[1].endsWith("  port closed"));

  auto texts = [&] {
    return QStringList{monitor->windowTitle(), monitor->pauseButton()->text(), monitor->clearButton()->text(),
                       monitor->copyButton()->text(), monitor->saveButton()->text()};
  };
  auto checkNames = [&] {
    for (QPushButton* b :
         {monitor->pauseButton(), monitor->clearButton(), monitor->copyButton(), monitor->saveButton()})
      EXPECT_EQ(Name(b), b->text());
    EXPECT_EQ(Name(monitor->list()), monitor->windowTitle());
  };
  EXPECT_EQ(texts(), (QStringList{"Traffic Monitor", "Pause", "Clear", "Copy", "Save as Text…"}));
  checkNames();

  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) {
    lang->list()->setCurrentIndex(0);
    lang->okButton()->click();
  });
  main->LanguageCommand();
  EXPECT_EQ(item->text(), "通信监视");
  EXPECT_EQ(texts(), (QStringList{"通信监视", "暂停", "清除", "复制", "另存为文本…"}));
  checkNames();
  EXPECT_TRUE(Rows(*monitor)[0].endsWith("  清空收发缓冲区"));
  monitor->PauseClick();
  EXPECT_EQ(monitor->pauseButton()->text(), "继续");
  EXPECT_EQ(Name(monitor->pauseButton()), "继续");
  SetUiLanguage(1);
}

class MonitorControls : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUiLanguage(1);
    monitor.show();
    monitor.ClearClick();
  }
  MessageRecorder rec;
  CTrafficMonitorDlg monitor{nullptr};
};

TEST_F(MonitorControls, PauseHoldsTheListAndCopyTakesTheSelectedLinesOrAll) {
  for (int i = 0; i < 3; ++i) Traffic().Record(TrafficEvent::kPurge);
  monitor.Refresh();
  ASSERT_EQ(Rows(monitor).size(), 3);

  monitor.pauseButton()->click();
  EXPECT_EQ(monitor.pauseButton()->text(), "Resume");
  Traffic().Record(TrafficEvent::kClose);
  monitor.Refresh();
  EXPECT_EQ(Rows(monitor).size(), 3);
  monitor.pauseButton()->click();  // Resume takes what came meanwhile
  EXPECT_EQ(monitor.pauseButton()->text(), "Pause");
  const QStringList rows = Rows(monitor);
  ASSERT_EQ(rows.size(), 4);
  EXPECT_TRUE(rows[3].endsWith("port closed"));

  QItemSelectionModel* selection = monitor.list()->selectionModel();
  const QAbstractItemModel* model = monitor.list()->model();
  selection->select(model->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  selection->select(model->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  monitor.copyButton()->click();
  EXPECT_EQ(QApplication::clipboard()->text(), rows[1] + "\n" + rows[3] + "\n");
  // The list's own copy key copies the same lines, not only the current one.
  QApplication::clipboard()->clear();
  QTest::keyClick(monitor.list(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), rows[1] + "\n" + rows[3] + "\n");
  selection->clearSelection();
  monitor.copyButton()->click();
  EXPECT_EQ(QApplication::clipboard()->text(), rows.join("\n") + "\n");

  monitor.clearButton()->click();
  EXPECT_TRUE(Rows(monitor).isEmpty());
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(MonitorControls, TheListFollowsNewLinesAlsoAfterTheWindowShrinks) {
  for (int i = 0; i < 200; ++i) Traffic().Record(TrafficEvent::kPurge);
  monitor.Refresh();
  QScrollBar* bar = monitor.list()->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  monitor.resize(monitor.width(), monitor.height() / 2);
  QApplication::processEvents();
  for (int i = 0; i < 5; ++i) Traffic().Record(TrafficEvent::kClose);
  monitor.Refresh();
  QApplication::processEvents();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
  // Scrolled up by the user, the view stays where it was.
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  QApplication::processEvents();
  Traffic().Record(TrafficEvent::kClose);
  monitor.Refresh();
  QApplication::processEvents();
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(MonitorControls, SaveReplacesTheChosenFileWholeOrSaysItCouldNot) {
  Traffic().Record(TrafficEvent::kPurge);
  monitor.Refresh();
  QTemporaryDir dir;
  const QString path = dir.filePath("traffic.txt");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, '\xFE'));  // longer than what replaces it
  }
  QString chosen = path;
  int asked = 0;
  monitor.chooseFile = [&] {
    ++asked;
    return chosen;
  };
  monitor.saveButton()->click();
  EXPECT_EQ(asked, 1);
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll().toStdString(), monitor.model().Text());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"traffic.txt"});  // no temporary left
  EXPECT_TRUE(rec.messages.empty());

  chosen.clear();  // the user cancelled the file dialog
  monitor.saveButton()->click();
  EXPECT_TRUE(rec.messages.empty());

  chosen = dir.filePath("missing/traffic.txt");
  monitor.saveButton()->click();
  ASSERT_EQ(rec.Texts(), std::vector<std::string>{"The file could not be saved!"});
  EXPECT_EQ(rec.messages[0].caption, "Remind");
}

// Against the simulated coupler: Link from the settings dialog, and the monitor,
// open all the while, shows the identification probe and its reply.
TEST(TrafficMonitorDlg, LinkShowsTheProbeAndItsReply) {
  test::SimProcess sim({"--baud", "9600", "--mode", "0"});
  qputenv("TOLVANE_PORTS", QByteArray::fromStdString(sim.port()));
  MessageRecorder rec;
  SetUiLanguage(1);
  test::MemoryProfile profile;
  auto main = MakeMain(&profile);
  main->TrafficMonitorCommand();
  CTrafficMonitorDlg* monitor = main->trafficMonitor();
  monitor->ClearClick();
  test::WhenModal<CComSetDlg>([&](CComSetDlg* dlg) {
    QComboBox* ports = dlg->list(kListPort);
    ports->setCurrentIndex(ports->findText(QString::fromStdString(sim.port())));
    emit ports->activated(ports->currentIndex());
    dlg->linkButton()->click();
  });
  main->ConnectionCommand();
  ASSERT_TRUE(IsConnected());
  monitor->Refresh();
  const QStringList rows = Rows(*monitor);
  int tx = 0;
  while (tx < rows.size() &&
         !rows[tx].contains(QRegularExpression("TX  9600 8N2 RTU +01 03 00 00 00 02 C4 0B  \\[try 1/3\\]$")))
    ++tx;
  ASSERT_LT(tx, rows.size()) << rows.join("\n").toStdString();
  ASSERT_LT(tx + 2, rows.size());
  EXPECT_TRUE(rows[tx + 1].contains(QRegularExpression("RX  9600 8N2 RTU +01 03 04 15 01 10 02 ")));
  EXPECT_TRUE(rows[tx + 2].endsWith("result: 0 OK, tries: 1"));
  // After the Link the window read the parameter block: the 26-register read follows.
  EXPECT_TRUE(rows.join("\n").contains("01 03 00 00 00 1A"));
  Link().ClosePort();
  qunsetenv("TOLVANE_PORTS");
}

}  // namespace
}  // namespace tolvane
