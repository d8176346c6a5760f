// The main window driven as a user would, offscreen.
#include "ui/main_dlg.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "core/language.h"
#include "support/recorders.h"
#include "ui/about_dlg.h"
#include "ui/controls.h"
#include "ui/lang_set_dlg.h"
#include "ui/qt_services.h"
#include "ui/ui_support.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

class MainDlgTest : public ::testing::Test {
 protected:
  std::unique_ptr<COndrelDlg> Make(int language, int dpi = 96) {
    SetUiLanguage(language);
    MainDlgDeps deps;
    deps.exeDir = "/opt/tolvane";
    deps.logicalDpiY = dpi;
    deps.openDocument = [this](const QString& p) { opened << p; };
    deps.writeLanguage = [this](int l) { written.push_back(l); };
    auto dlg = std::make_unique<COndrelDlg>(deps);
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    return dlg;
  }
  QStringList MenuTitles(COndrelDlg& d) {
    QStringList t;
    for (QAction* a : d.menuBar()->actions()) t << a->text();
    return t;
  }
  QLineEdit* Edit(COndrelDlg& d, Field f) { return qobject_cast<QLineEdit*>(d.fieldWidget(f)); }
  void TypeStation(COndrelDlg& d, const QString& text) {
    QLineEdit* station = Edit(d, kStation);
    station->setFocus();
    station->selectAll();
    QTest::keyClick(station, Qt::Key_Backspace);
    QTest::keyClicks(station, text);
    Edit(d, kStopAddress)->setFocus();  // leaving the field runs the check
  }
  MessageRecorder rec;
  QStringList opened;
  std::vector<int> written;
};

TEST_F(MainDlgTest, FreshWindowInEnglish) {
  auto d = Make(1);
  EXPECT_EQ(d->windowTitle(), "Tolvane");
  EXPECT_EQ(Edit(*d, kStation)->text(), "1");
  EXPECT_EQ(d->baudList()->currentText(), "3: 9600");
  EXPECT_EQ(d->modeList()->currentText(), "0: RTU,8,N,2");
  EXPECT_FALSE(d->modeList()->isEnabled());
  EXPECT_EQ(d->modeList()->count(), 6);
  EXPECT_EQ(d->baudList()->count(), 8);
  EXPECT_EQ(Edit(*d, kModuleType)->text(), "");
  EXPECT_TRUE(Edit(*d, kModuleType)->isReadOnly());
  EXPECT_TRUE(Edit(*d, kMacAddress)->isReadOnly());
  EXPECT_EQ(Edit(*d, kMacAddress)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
  EXPECT_EQ(MenuTitles(*d), (QStringList{"Communication(&C)", "Setting(&S)", "Help(&H)"}));
  EXPECT_EQ(d->group(0)->title(), "Basic Module Information");
  EXPECT_EQ(d->group(3)->title(), "Network setting");
  EXPECT_EQ(d->label(kMacAddress)->text(), "Mac address");
  EXPECT_EQ(d->label(kStation)->text(), "Station No");
  EXPECT_EQ(d->baudLabel()->text(), "Baud rate");
  EXPECT_EQ(qobject_cast<CDrawEdit*>(d->fieldWidget(kStation))->hintText(), "Set range：（1～247）");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(MainDlgTest, ChineseWindowAndMenus) {
  auto d = Make(0);
  EXPECT_EQ(MenuTitles(*d), (QStringList{"通讯(&C)", "设置(&S)", "帮助(&H)"}));
  QMenu* comm = d->menuBar()->actions()[0]->menu();
  ASSERT_EQ(comm->actions().size(), 5);
  EXPECT_EQ(comm->actions()[0]->text(), "通讯连接");
  EXPECT_EQ(comm->actions()[1]->text(), "查找模块...");
  EXPECT_EQ(comm->actions()[2]->text(), "通信监视");
  EXPECT_TRUE(comm->actions()[3]->isSeparator());
  EXPECT_EQ(comm->actions()[4]->text(), "恢复出厂");
  EXPECT_EQ(d->group(1)->title(), "通讯参数设置");
  EXPECT_EQ(d->label(kContractVersion)->text(), "合同评审软件版本号");
  EXPECT_EQ(qobject_cast<CDrawEdit*>(d->fieldWidget(kStopCode))->hintText(), "设置范围：（1～15）");
  SetUiLanguage(1);
}

TEST_F(MainDlgTest, SwitchingLanguageRelabelsAllButTheRangeHints) {
  auto d = Make(0);
  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) {
    lang->list()->setCurrentIndex(1);
    lang->okButton()->click();
  });
  d->LanguageCommand();
  EXPECT_EQ(UiLanguage(), 1);
  EXPECT_EQ(written, std::vector<int>{1});
  EXPECT_EQ(MenuTitles(*d), (QStringList{"Communication(&C)", "Setting(&S)", "Help(&H)"}));
  EXPECT_EQ(d->group(2)->title(), "Default shutdown parameters");
  EXPECT_EQ(d->label(kGateway)->text(), "Gateway");
  EXPECT_EQ(qobject_cast<CDrawEdit*>(d->fieldWidget(kStation))->hintText(), "设置范围：（1～247）");
  // The same language again writes nothing; closing by Escape changes nothing.
  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) { lang->okButton()->click(); });
  d->LanguageCommand();
  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) {
    lang->list()->setCurrentIndex(0);
    QTest::keyClick(lang, Qt::Key_Escape);
  });
  d->LanguageCommand();
  EXPECT_EQ(written, std::vector<int>{1});
  EXPECT_EQ(UiLanguage(), 1);
}

TEST_F(MainDlgTest, StationChecksOnLeavingTheField) {
  auto d = Make(1);
  TypeStation(*d, "247");
  EXPECT_EQ(d->model().station, 247);
  TypeStation(*d, "007");
  EXPECT_EQ(Edit(*d, kStation)->text(), "7");
  EXPECT_TRUE(rec.messages.empty());
  for (const char* bad : {"0", "248", "-5"}) {
    TypeStation(*d, bad);
    EXPECT_EQ(Edit(*d, kStation)->text(), "7") << bad;
  }
  EXPECT_EQ(rec.messages.size(), 3u);
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].text, "The Value of Station number is out of range,Data Range is :1～247!");
  EXPECT_EQ(d->model().station, 7);
  TypeStation(*d, "");
  EXPECT_EQ(Edit(*d, kStation)->text(), "7");
  EXPECT_EQ(rec.messages.size(), 3u);
}

TEST_F(MainDlgTest, FieldsDropCharactersOtherThanDigitsAndMinus) {
  auto d = Make(1);
  QLineEdit* stop = Edit(*d, kStopAddress);
  stop->setFocus();
  QTest::keyClicks(stop, "a-1b2");
  EXPECT_EQ(stop->text(), "-12");
  QTest::keyClick(stop, Qt::Key_Backspace);
  EXPECT_EQ(stop->text(), "-1");
  QTest::keyClick(stop, Qt::Key_V, Qt::ControlModifier);  // the shortcut is a dropped character
  EXPECT_EQ(stop->text(), "-1");
  QTest::keyClick(stop, Qt::Key_Home);
  QTest::keyClick(stop, Qt::Key_Delete);  // editing keys carry no character and still work
  EXPECT_EQ(stop->text(), "1");
  auto* ip = qobject_cast<IpAddressEdit*>(d->fieldWidget(kIpAddress));
  ip->octets()[0]->setFocus();
  QTest::keyClicks(ip->octets()[0], "-3x00");
  EXPECT_EQ(ip->octets()[0]->text(), "255");  // no sign, no letter, nothing above 255
  EXPECT_EQ(ip->text(), "255.0.0.0");
  EXPECT_TRUE(AcceptsTypedText("0123456789-"));
  EXPECT_FALSE(AcceptsTypedText("１"));  // full-width digit
}

TEST_F(MainDlgTest, EscapeIsIgnoredAndEnterClosesTheWindow) {
  auto d = Make(1);
  Edit(*d, kStopCode)->setFocus();
  QTest::keyClick(Edit(*d, kStopCode), Qt::Key_Escape);
  EXPECT_TRUE(d->isVisible());
  QTest::keyClick(Edit(*d, kStopCode), Qt::Key_Return);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(MainDlgTest, ButtonImagesFollowTheLogicalDpi) {
  EXPECT_EQ(Make(1, 96)->buttonImageSize(), QSize(41, 26));
  EXPECT_EQ(Make(1, 97)->buttonImageSize(), QSize(51, 32));
  EXPECT_EQ(Make(1, 120)->buttonImageSize(), QSize(51, 32));
  auto big = Make(1, 121);
  EXPECT_EQ(big->buttonImageSize(), QSize(61, 39));
  EXPECT_TRUE(big->commandButton(0)->text().isEmpty());
}

TEST_F(MainDlgTest, HelpOpensTheGuideOfTheLanguage) {
  auto d = Make(1);
  d->HelpCommand();
  SetUiLanguage(0);
  d->HelpCommand();
  // No guide beside the executable: the installed one (see also Install.HelpFindsTheGuide).
  EXPECT_EQ(opened,
            (QStringList{"/opt/share/doc/tolvane/UserGuide_EN.pdf", "/opt/share/doc/tolvane/UserGuide_CH.pdf"}));
  SetUiLanguage(1);
}

TEST_F(MainDlgTest, CommandsWithoutAConnectionAskForOne) {
  auto d = Make(1);
  ConnectedFlag().store(0);
  d->commandButton(0)->click();
  d->commandButton(1)->click();
  d->commandButton(3)->click();
  d->RestoreFactoryCommand();
  EXPECT_EQ(rec.Texts(), std::vector<std::string>(4, "Please connect the device!"));
  ASSERT_GE(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].owner, nullptr);  // English: no owner
}

TEST_F(MainDlgTest, ClosingTheBaudListMovesTheFocusAndRunsTheCheck) {
  auto d = Make(1);
  QLineEdit* station = Edit(*d, kStation);
  station->setFocus();
  station->setText("0");
  d->baudList()->showPopup();
  d->baudList()->hidePopup();  // closed without a new entry
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(station->text(), "1");
  EXPECT_EQ(d->baudList()->currentText(), "3: 9600");
}

TEST_F(MainDlgTest, AClickOnACommandButtonChecksTheFieldBeingLeftFirstAndOnce) {
  auto d = Make(1);
  ConnectedFlag().store(0);
  Edit(*d, kStopAddress)->setText("100");
  Edit(*d, kStopCode)->setText("3");
  QLineEdit* station = Edit(*d, kStation);
  int stationWhenCommandSpoke = 0;
  for (int g = 0; g < 4; ++g) {
    // A refused entry: one range message, the previous value back, and the
    // click does not go on to the command.
    rec.messages.clear();
    station->setFocus();
    station->setText("0");
    QTest::mouseClick(d->commandButton(g), Qt::LeftButton);
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{txt::kStationRange.en}) << g;
    EXPECT_EQ(station->text(), QString::number(g == 0 ? 1 : 9 + g)) << g;
    EXPECT_TRUE(station->hasFocus()) << g;
    // An accepted entry is the station number before the command runs.
    rec.messages.clear();
    station->setText(QString::number(10 + g));
    rec.onPresent = [&](const MessageRequest&) { stationWhenCommandSpoke = d->model().station; };
    QTest::mouseClick(d->commandButton(g), Qt::LeftButton);
    rec.onPresent = nullptr;
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"}) << g;
    EXPECT_EQ(stationWhenCommandSpoke, 10 + g) << g;
    EXPECT_TRUE(d->commandButton(g)->hasFocus()) << g;
  }
}

TEST_F(MainDlgTest, AMessageBoxTakingTheFocusNeverRunsTheCheck) {
  test::RealBoxRecorder boxes;
  auto d = Make(1);
  ConnectedFlag().store(0);
  QLineEdit* station = Edit(*d, kStation);
  QLineEdit* code = Edit(*d, kStopCode);
  auto* gateway = qobject_cast<IpAddressEdit*>(d->fieldWidget(kGateway));
  // The shutdown command's own refusal, the focus still in the field: the
  // previous value comes back and stays.
  Edit(*d, kStopAddress)->setText("100");
  code->setFocus();
  code->setText("16");
  d->commandButton(2)->click();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{txt::kStopCodeRange.en});
  EXPECT_EQ(code->text(), "3");
  EXPECT_TRUE(code->hasFocus());
  // A box while an address octet has the focus, a refused station waiting
  // for the field to be left.
  gateway->octets()[3]->setFocus();
  station->setText("0");
  d->RestoreFactoryCommand();
  EXPECT_EQ(boxes.Texts().size(), 2u);
  EXPECT_EQ(station->text(), "0");
  EXPECT_TRUE(gateway->octets()[3]->hasFocus());
  // Leaving for another control of the window does run it, once.
  Edit(*d, kStopAddress)->setFocus();
  EXPECT_EQ(boxes.Texts().size(), 3u);
  ASSERT_GE(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts().back(), txt::kStationRange.en);
  EXPECT_EQ(station->text(), "1");
}

TEST_F(MainDlgTest, HelpKeyStillOpensAboutAfterSwitchingLanguageTwice) {
  auto d = Make(0);
  const auto menus = d->menuBar()->findChildren<QMenu*>().size();
  for (int lang : {1, 0}) {
    test::WhenModal<CLangSetDlg>([lang](CLangSetDlg* dlg) {
      dlg->list()->setCurrentIndex(lang);
      dlg->okButton()->click();
    });
    d->LanguageCommand();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(d->menuBar()->findChildren<QMenu*>().size(), menus);
  int helpKeys = 0;
  for (QAction* a : d->findChildren<QAction*>()) helpKeys += a->shortcut() == QKeySequence::HelpContents;
  ASSERT_EQ(helpKeys, 1);
  QApplication::setActiveWindow(d.get());  // as the window manager does when the dialog has gone
  bool aboutOpened = false;
  test::WhenModal<CAboutDlg>([&](CAboutDlg* about) {
    aboutOpened = true;
    about->accept();
  });
  QTest::keyClick(d.get(), Qt::Key_F1);
  EXPECT_TRUE(aboutOpened);
  SetUiLanguage(1);
}

TEST_F(MainDlgTest, ControlsAreNamedAfterTheirLabelsAndBoxesAfterTheirCaption) {
  auto d = Make(0);
  auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
  for (int lang : {0, 1}) {
    SetUiLanguage(lang);
    d->RelabelWindow();
    for (int f = 0; f < kFieldCount; ++f) {
      const QString label = d->label(static_cast<Field>(f))->text();
      QWidget* field = d->fieldWidget(static_cast<Field>(f));
      EXPECT_EQ(name(field), label);
      if (auto* address = qobject_cast<IpAddressEdit*>(field)) {
        for (CDrawEdit* octet : address->octets()) EXPECT_EQ(name(octet), label);
      }
    }
    // A list's name is its current entry on this desktop; its label comes
    // through the label relation.
    for (auto [list, label] : {std::pair{d->modeList(), d->modeLabel()}, {d->baudList(), d->baudLabel()}}) {
      const auto by = QAccessible::queryAccessibleInterface(list)->relations(QAccessible::Label);
      ASSERT_FALSE(by.empty());  // the label first, then the group
      EXPECT_EQ(by[0].first->text(QAccessible::Name), label->text());
    }
    for (int g = 0; g < 4; ++g) EXPECT_EQ(name(d->commandButton(g)), d->group(g)->title());
  }
  for (QWidget* w : d->findChildren<QWidget*>()) {
    if (w->isVisible() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w))) {
      EXPECT_FALSE(name(w).isEmpty()) << w->metaObject()->className();
    }
  }

  QtMessagePresenter boxes;
  QString caption, text;
  test::WhenModal<QMessageBox>([&](QMessageBox* box) {
    caption = name(box);
    text = QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
    box->defaultButton()->click();
  });
  boxes.Present({.owner = nullptr, .caption = "Remind", .text = "Please connect the device!"});
  EXPECT_EQ(caption, "Remind");
  EXPECT_EQ(text, "Please connect the device!");
}

TEST_F(MainDlgTest, PickingABaudRateTakesItsCode) {
  auto d = Make(1);
  d->baudList()->setCurrentIndex(5);
  emit d->baudList()->activated(5);
  EXPECT_EQ(d->model().baudCode, 5);
}

TEST_F(MainDlgTest, HelpKeyOpensAboutWithItsLines) {
  auto d = Make(0);
  QString version, company, title;
  test::WhenModal<CAboutDlg>([&](CAboutDlg* about) {
    title = about->windowTitle();
    version = about->findChild<QLabel*>("line1")->text();
    company = about->findChild<QLabel*>("line4")->text();
    EXPECT_EQ(about->findChild<QLabel*>("logo")->pixmap().size(), QSize(48, 26));
    about->accept();
  });
  QTest::keyClick(d.get(), Qt::Key_F1);
  EXPECT_EQ(title, "关于");
  EXPECT_EQ(version, "Tolvane  Version: V1.00");
  EXPECT_EQ(company, txt::kAboutCompany.zh);
  SetUiLanguage(1);
}

}  // namespace
}  // namespace tolvane
