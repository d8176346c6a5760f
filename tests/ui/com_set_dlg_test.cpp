// The communication settings dialog as a view over its model.
#include "ui/com_set_dlg.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/recorders.h"
#include "support/sim_process.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;
using test::SimProcess;

std::function<std::vector<std::string>()> Ports(std::vector<std::string> ports) {
  return [ports] { return ports; };
}

TEST(ComSetDlg, LabelsListsAndButtonFacesInBothLanguages) {
  MessageRecorder rec;
  Comm() = CommSettings{};
  SetUiLanguage(1);
  CComSetDlg en(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyS0", "ttyS1"}; });
  EXPECT_EQ(en.windowTitle(), "Communication Setting");
  EXPECT_EQ(en.stationLabel()->text(), "Device Address:");
  EXPECT_EQ(en.autoLinkButton()->text(), "Auto Link");
  EXPECT_EQ(en.linkButton()->text(), "Link");
  EXPECT_TRUE(en.okButton()->styleSheet().contains("#1c73c0"));
  EXPECT_EQ(en.list(kListBaud)->currentText(), "9600");
  EXPECT_EQ(en.list(kListParity)->currentText(), "No parity");
  EXPECT_EQ(en.list(kListPort)->currentText(), "ttyS0");
  EXPECT_EQ(en.list(kListStation)->count(), 256);
  EXPECT_TRUE(en.statusLine()->isReadOnly());
  EXPECT_FALSE(en.statusLine()->isEnabled());
  SetUiLanguage(0);
  CComSetDlg zh(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{}; });
  EXPECT_EQ(zh.windowTitle(), "通信设置");
  EXPECT_EQ(zh.autoLinkButton()->text(), "自动检测");
  EXPECT_EQ(zh.cancelButton()->text(), "取消");
  EXPECT_EQ(zh.list(kListParity)->itemText(2), "偶校验");
  ASSERT_EQ(rec.Texts(), std::vector<std::string>{"本机没有串口！"});
  EXPECT_EQ(rec.messages[0].owner, &zh);
  SetUiLanguage(1);
}

TEST(ComSetDlg, UserChoiceOkAndEscape) {
  MessageRecorder rec;
  Comm() = CommSettings{};
  SetUiLanguage(1);
  {
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyS0"}; });
    dlg.show();
    dlg.list(kListBaud)->setCurrentIndex(7);
    emit dlg.list(kListBaud)->activated(7);
    EXPECT_EQ(dlg.model().lists[kListBaud].Text(), "115200");
    dlg.okButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Comm().baud, 115200u);
  }
  {
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyS0"}; });
    dlg.show();
    dlg.list(kListBaud)->setCurrentIndex(0);
    emit dlg.list(kListBaud)->activated(0);
    dlg.model().TakeOverChoice();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Comm().baud, 115200u);  // the baseline came back
  }
  {
    // Enter acts as OK, wherever the focus is parked.
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), Ports({"ttyS0"}));
    dlg.show();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    dlg.list(kListStation)->setCurrentIndex(42);
    emit dlg.list(kListStation)->activated(42);
    ASSERT_TRUE(dlg.stationLabel()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Comm().station, 42);
  }
}

TEST(ComSetDlg, ListsAreNamedByTheirLabels) {
  SetUiLanguage(1);
  CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), Ports({"ttyS0"}));
  for (QLabel* label : dlg.findChildren<QLabel*>()) {
    ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
    // Where a list's accessible name is its current entry, the label relation names it.
    const auto labelled = QAccessible::queryAccessibleInterface(label->buddy())->relations(QAccessible::Label);
    EXPECT_TRUE(std::any_of(labelled.begin(), labelled.end(), [&](const auto& r) {
      return r.first->object() == label;
    })) << label->text().toStdString();
  }
  EXPECT_EQ(dlg.findChildren<QLabel*>().size(), 7);
}

// While a worker runs, neither the frame nor Enter nor Escape nor the grey
// buttons end the dialog or start anything; the worker's end is only seen once
// the window's thread gets back to its event loop, so the inputs below all fall
// into the running worker's time.
TEST(ComSetDlg, InputsWhileAWorkerRunsDoNothing) {
  MessageRecorder rec;
  FakeLinkScope scope;  // opens and applies; the module never answers
  SetUiLanguage(1);
  for (bool search : {false, true}) {
    Comm() = CommSettings{};
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), Ports({"ttyS0"}));
    dlg.show();
    (search ? dlg.autoLinkButton() : dlg.linkButton())->click();
    ASSERT_TRUE(dlg.model().WorkerRunning());
    const CommSettings during = Comm();
    EXPECT_FALSE(dlg.close());
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    dlg.okButton()->click();
    dlg.cancelButton()->click();
    dlg.linkButton()->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Comm(), during);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.model().WorkerRunning(); }));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.statusLine()->text(),
              search ? "No suitable parameters detected!" : "Failed to connect, please reset!");
    EXPECT_EQ(scope.fake().opens, 1);  // the Link click above started nothing more
    scope.fake().opens = 0;
    // Idle again: the frame acts as Cancel.
    EXPECT_TRUE(dlg.close());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
  }
  EXPECT_TRUE(rec.messages.empty());
}

TEST(ComSetDlg, TheConnectionBoxBelongsToTheDialog) {
  MessageRecorder rec;
  SimProcess sim({"--baud", "115200"});
  SetUiLanguage(1);
  test::UsePort(sim.port(), 115200, 0);
  CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), Ports({sim.port()}));
  dlg.show();
  dlg.linkButton()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.isVisible(); }, 10000));
  ASSERT_EQ(rec.Texts(), std::vector<std::string>{"Connection successful!The module model is KX-130."});
  EXPECT_EQ(rec.messages[0].owner, &dlg);
  EXPECT_EQ(rec.messages[0].caption, "Remind");
  EXPECT_EQ(dlg.result(), QDialog::Rejected);  // closed as by its frame, keeping the tried settings
  EXPECT_TRUE(dlg.model().linkStarted);
  EXPECT_TRUE(IsConnected());
  Link().ClosePort();
  ConnectedFlag().store(0);
}

TEST(ComSetDlg, APortStoredAsALinkStaysItselfBesideTheListedPortOfTheSameDevice) {
  MessageRecorder rec;
  SimProcess sim({"--baud", "115200"});
  SetUiLanguage(1);
  // A second link to the simulator's pty, as a /dev/serial/by-id/ name is to a
  // tty: the stable name the user chose is kept, not swapped for today's tty.
  const std::string other = sim.port() + ".by-id";
  ASSERT_EQ(symlink(sim.port().c_str(), other.c_str()), 0);
  for (const auto& [stored, selected, count] : {std::tuple{other, other, 2}, std::tuple{sim.port(), sim.port(), 1},
                                                std::tuple{other + ".gone", other + ".gone", 2}}) {
    test::UsePort(stored, 115200, 0);
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), Ports({sim.port()}));
    dlg.show();
    EXPECT_EQ(dlg.list(kListPort)->count(), count) << stored;
    EXPECT_EQ(dlg.list(kListPort)->currentIndex(), count - 1) << stored;
    dlg.okButton()->click();
    EXPECT_EQ(Comm().portName, selected);
  }
  EXPECT_TRUE(rec.messages.empty());
  unlink(other.c_str());
}

}  // namespace
}  // namespace tolvane
