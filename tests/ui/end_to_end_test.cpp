// The real windows against the simulated coupler: connect with Link or Find
// Module, read, write shutdown and network parameters.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "ui/com_set_dlg.h"
#include "ui/controls.h"
#include "ui/find_module_dlg.h"
#include "ui/main_dlg.h"
#include "ui/ui_support.h"

namespace tolvane {
namespace {

using test::MessageRecorder;
using test::SimProcess;

using test::MemoryProfile;

// Connected by Link in the settings dialog, or by Use in Find Module over a
// 2-wire line that echoes every request: the window then reads and downloads.
TEST(EndToEnd, ConnectReadAndDownload) {
  for (const bool find : {false, true}) {
    SCOPED_TRACE(find ? "Find Module, echo" : "Link");
    std::vector<std::string> args{"--baud", "57600", "--mode", "0"};
    if (find) args.push_back("--echo");
    SimProcess sim(args);
    qputenv("TOLVANE_PORTS", QByteArray::fromStdString(sim.port()));
    MessageRecorder rec;
    SetUiLanguage(1);
    MemoryProfile profile;
    profile.values["REM_DefaultCom/REM_BaudRate"] = "57600";
    MainDlgDeps deps;
    deps.profile = &profile;
    deps.logicalDpiY = 96;
    COndrelDlg main(deps);
    main.show();

    if (find) {
      test::WhenModal<CFindModuleDlg>([&](CFindModuleDlg* dlg) {
        QComboBox* ports = dlg->ports();
        ports->setCurrentIndex(ports->findText(QString::fromStdString(sim.port())));
        emit ports->activated(ports->currentIndex());
        emit dlg->lines()->activated(1);  // the stored settings: 57600 RTU 8N2
        dlg->to()->setText("3");
        emit dlg->to()->textEdited("3");
        dlg->searchButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->model().Running(); }, 90000));
        EXPECT_TRUE(dlg->useButton()->isEnabled());
        (dlg->useButton()->isEnabled() ? dlg->useButton() : dlg->closeButton())->click();  // never left open
      });
      main.FindModuleCommand();
    } else {
      test::WhenModal<CComSetDlg>([&](CComSetDlg* dlg) {
        QComboBox* ports = dlg->list(kListPort);
        ports->setCurrentIndex(ports->findText(QString::fromStdString(sim.port())));
        emit ports->activated(ports->currentIndex());
        dlg->linkButton()->click();
      });
      main.ConnectionCommand();
      ASSERT_FALSE(rec.messages.empty());
      EXPECT_EQ(rec.messages[0].text, "Connection successful!The module model is KX-130.");
    }

    EXPECT_TRUE(IsConnected());
    EXPECT_EQ(profile.values["REM_DefaultCom/REM_ComPortName"], sim.port());
    EXPECT_EQ(profile.values["REM_DefaultCom/REM_BaudRate"], "57600");
    auto edit = [&](Field f) { return qobject_cast<QLineEdit*>(main.fieldWidget(f)); };
    EXPECT_EQ(edit(kModuleType)->text(), "KX-130");
    EXPECT_EQ(edit(kMacAddress)->text(), "00-12-34-56-78-9A");
    EXPECT_EQ(qobject_cast<IpAddressEdit*>(main.fieldWidget(kIpAddress))->text(), "192.168.1.170");
    EXPECT_EQ(main.baudList()->currentText(), "6: 57600");

    edit(kStopAddress)->setText("1234");
    edit(kStopCode)->setText("12");
    main.commandButton(2)->click();
    qobject_cast<IpAddressEdit*>(main.fieldWidget(kGateway))->setText("192.168.1.254");
    main.commandButton(3)->click();
    ASSERT_GE(rec.Texts().size(), 1u);
    EXPECT_EQ(rec.Texts().back(), "Parameter download successful!");
    auto regs = sim.Registers();
    EXPECT_EQ(regs[5], 1234);
    EXPECT_EQ(regs[6], 12);
    EXPECT_EQ(regs[23], 254);
    EXPECT_EQ(regs[15], 170);

    main.commandButton(0)->click();
    ASSERT_GE(rec.Texts().size(), 1u);
    EXPECT_EQ(rec.Texts().back(), "Parameter upload successful!");
    EXPECT_EQ(edit(kStopAddress)->text(), "1234");
    Link().ClosePort();
    ConnectedFlag().store(0);
    qunsetenv("TOLVANE_PORTS");
  }
}

// A user's clicks on the command buttons: the field being left is checked
// first, and the command's message box never runs a check of its own.
TEST(EndToEnd, TheFieldCheckComesBeforeTheCommandAndNeverFromItsBox) {
  SimProcess sim({"--baud", "115200", "--mode", "0"});
  test::RealBoxRecorder rec;
  SetUiLanguage(1);
  MainDlgDeps deps;
  deps.logicalDpiY = 96;
  COndrelDlg main(deps);
  main.show();
  QApplication::setActiveWindow(&main);
  test::UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  ConnectedFlag().store(1);
  QTest::mouseClick(main.commandButton(0), Qt::LeftButton);
  auto* gateway = qobject_cast<IpAddressEdit*>(main.fieldWidget(kGateway));
  const QString held = gateway->text();
  ASSERT_FALSE(held.isEmpty());

  // The last octet edited, then upload: the module's address is shown.
  CDrawEdit* last = gateway->octets()[3];
  last->setFocus();
  last->selectAll();
  QTest::keyClicks(last, "7");
  QTest::mouseClick(main.commandButton(0), Qt::LeftButton);
  ASSERT_GE(rec.Texts().size(), 1u);
  EXPECT_EQ(rec.Texts().back(), "Parameter upload successful!");
  EXPECT_EQ(gateway->text(), held);

  // A station out of range, then the communication parameters' download:
  // the range message, and nothing is sent.
  auto* station = qobject_cast<QLineEdit*>(main.fieldWidget(kStation));
  const QString before = station->text();
  station->setFocus();
  station->selectAll();
  QTest::keyClicks(station, "248");
  QTest::mouseClick(main.commandButton(1), Qt::LeftButton);
  ASSERT_GE(rec.Texts().size(), 1u);
  EXPECT_EQ(rec.Texts().back(), "The Value of Station number is out of range,Data Range is :1～247!");
  EXPECT_EQ(station->text(), before);
  for (const std::string& r : sim.Requests()) EXPECT_NE(r.rfind("01 10", 0), 0u) << r;  // no write at all
  EXPECT_TRUE(IsConnected());
  Link().ClosePort();
}

}  // namespace
}  // namespace tolvane
