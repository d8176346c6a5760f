// The settings dialog's port list as a user sees it, the permission message on
// Link and Auto Link, and what an installed program finds: its guides, its
// version, the font of its language.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/memory_profile.h"
#include "support/recorders.h"
#include "tolvane_version.h"
#include "ui/about_dlg.h"
#include "ui/com_set_dlg.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/lang_set_dlg.h"
#include "ui/main_dlg.h"
#include "ui/ui_support.h"

namespace tolvane {
namespace {

using test::FakeLinkScope;
using test::MessageRecorder;

std::vector<PortInfo> ThreePorts(const std::vector<std::string>& names) {
  std::vector<PortInfo> infos;
  for (const std::string& n : names) {
    PortInfo p;
    p.name = n;
    if (n == "ttyS0") p.kind = PortInfo::Kind::kBuiltIn;
    if (n == "ttyUSB0") {
      p.kind = PortInfo::Kind::kUsb;
      p.product = "USB-Serial Controller";
      p.vendorId = "067b";
      p.productId = "2303";
      p.stableName = "/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0";
    }
    infos.push_back(p);
  }
  return infos;
}

TEST(PortList, TheDropDownSaysWhatEachPortIsTheListKeepsItsName) {
  MessageRecorder rec;
  Comm() = CommSettings{};
  Comm().portName = "ttyUSB";  // selected by the first name it begins
  for (int lang : {1, 0}) {
    SetUiLanguage(lang);
    CComSetDlg dlg(
        nullptr, CComSetDlg::GuiDispatcherRef(),
        [] {
          return std::vector<std::string>{"ttyS0", "ttyUSB0", "/tmp/sim"};
        },
        ThreePorts);
    QComboBox* ports = dlg.list(kListPort);
    ASSERT_EQ(ports->count(), 3);
    EXPECT_EQ(ports->currentText(), "ttyUSB0");
    auto* delegate = dynamic_cast<PortItemDelegate*>(ports->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QModelIndex first = ports->model()->index(0, 0), usb = ports->model()->index(1, 0);
    EXPECT_EQ(PortItemDelegate::TextOf(first), lang ? "ttyS0 — built-in serial port" : "ttyS0 — 内置串口");
    EXPECT_EQ(PortItemDelegate::TextOf(usb), "ttyUSB0 — USB-Serial Controller (067b:2303)");
    EXPECT_EQ(PortItemDelegate::TextOf(ports->model()->index(2, 0)), "/tmp/sim");
    EXPECT_EQ(ports->itemData(1, Qt::ToolTipRole).toString(),
              "/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0");
    EXPECT_TRUE(ports->toolTip().endsWith("/dev/serial/by-id/usb-Prolific_USB-Serial_Controller-if00-port0"));
    EXPECT_FALSE(ports->itemData(0, Qt::ToolTipRole).isValid());
    // The drop-down is wide enough for the longest line.
    EXPECT_GE(ports->view()->minimumWidth(),
              ports->view()->fontMetrics().horizontalAdvance(PortItemDelegate::TextOf(usb)));
    dlg.okButton()->click();
    EXPECT_EQ(Comm().portName, "ttyUSB0");  // stored as the name, never the description
  }
  SetUiLanguage(1);
}

// A newly plugged adapter shows up the next time the dialog opens.
TEST(PortList, EachOpeningListsThePortsAfresh) {
  MessageRecorder rec;
  SetUiLanguage(1);
  test::MemoryProfile profile;
  MainDlgDeps deps;
  deps.profile = &profile;
  deps.logicalDpiY = 96;
  COndrelDlg main(deps);
  main.show();
  QStringList seen[2];
  for (int round = 0; round < 2; ++round) {
    qputenv("TOLVANE_PORTS", round == 0 ? "/tmp/tolvane-adapter-a" : "/tmp/tolvane-adapter-a:/tmp/tolvane-adapter-b");
    test::WhenModal<CComSetDlg>([&seen, round](CComSetDlg* dlg) {
      for (int i = 0; i < dlg->list(kListPort)->count(); ++i) seen[round] << dlg->list(kListPort)->itemText(i);
      dlg->cancelButton()->click();
    });
    main.ConnectionCommand();
  }
  qunsetenv("TOLVANE_PORTS");
  EXPECT_TRUE(seen[0].contains("/tmp/tolvane-adapter-a"));
  EXPECT_FALSE(seen[0].contains("/tmp/tolvane-adapter-b"));
  EXPECT_TRUE(seen[1].contains("/tmp/tolvane-adapter-b"));
  EXPECT_EQ(seen[1].size(), seen[0].size() + 1);
}

// Link and Auto Link open the port themselves; a port that is not ours says so
// there too, while the other failures keep the buttons' own messages.
TEST(PortList, LinkAndAutoLinkNameAPortThisUserMayNotOpen) {
  FakeLinkScope scope;
  const char* const permission =
      "Permission denied on /dev/ttyUSB0. Add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then "
      "log out and in again.";
  struct Case {
    int err;
    const char* linkText;
    const char* autoLinkText;
  } cases[] = {{EACCES, permission, permission},
               {EPERM, permission, permission},
               {EIO, "Serial port operation failed!",
                "The specified communication port has not been opened, communication failed!"}};
  SetUiLanguage(1);
  for (const Case& c : cases) {
    MessageRecorder rec;
    Comm() = CommSettings{};
    scope.fake().openError = c.err;
    CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyUSB0"}; });
    dlg.linkButton()->click();
    EXPECT_EQ(dlg.statusLine()->text(), "Connect failed, cannot open appointed serial port!");
    dlg.autoLinkButton()->click();
    EXPECT_EQ(dlg.statusLine()->text(), "Communication port operation failed, stop detection!");
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{c.linkText, c.autoLinkText})) << c.err;
    EXPECT_EQ(rec.messages[0].caption, "Remind");
    EXPECT_FALSE(scope.fake().open);
  }
  MessageRecorder rec;
  SetUiLanguage(0);
  scope.fake().openError = EACCES;
  CComSetDlg dlg(nullptr, CComSetDlg::GuiDispatcherRef(), [] { return std::vector<std::string>{"ttyUSB0"}; });
  dlg.linkButton()->click();
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].text.rfind("没有权限打开 /dev/ttyUSB0。", 0), 0u);
  EXPECT_EQ(rec.messages[0].caption, "提示");
  EXPECT_EQ(rec.messages[0].owner, &dlg);
  SetUiLanguage(1);
}

// Run from its build folder the program opens the guide beside it; installed,
// the one the package put under share/doc.
TEST(Install, HelpFindsTheGuide) {
  QTemporaryDir tree;
  QDir(tree.path()).mkpath("bin");
  QDir(tree.path()).mkpath("share/doc/tolvane");
  MessageRecorder rec;
  QStringList opened;
  MainDlgDeps deps;
  test::MemoryProfile profile;
  deps.profile = &profile;
  deps.exeDir = tree.path() + "/bin";
  deps.openDocument = [&opened](const QString& p) { opened << p; };
  SetUiLanguage(0);
  COndrelDlg main(deps);
  main.HelpCommand();
  QFile(tree.path() + "/bin/UserGuide_CH.pdf").open(QIODevice::WriteOnly);
  main.HelpCommand();
  SetUiLanguage(1);
  main.HelpCommand();
  EXPECT_EQ(opened,
            (QStringList{tree.path() + "/share/doc/tolvane/UserGuide_CH.pdf", tree.path() + "/bin/UserGuide_CH.pdf",
                         tree.path() + "/share/doc/tolvane/UserGuide_EN.pdf"}));
}

TEST(Install, AboutShowsTheProjectsVersion) {
  SetUiLanguage(1);
  CAboutDlg about(nullptr);
  const QString shown = QString("V%1.%2").arg(kVersionMajor).arg(kVersionMinor, 2, 10, QChar('0'));
  EXPECT_EQ(shown, kVersionShown);
  EXPECT_EQ(about.findChild<QLabel*>("line1")->text(), "Tolvane  Version: " + shown);
}

// English names no CJK font, so none is loaded to draw it; the switch to
// Chinese gives the window and the message boxes the Chinese dialog font.
TEST(Install, EachLanguageHasItsDialogFont) {
  MessageRecorder rec;
  const QFont appFont = QApplication::font();
  SetUiLanguage(1);
  const QStringList english = DialogFont().families();
  EXPECT_EQ(english.first(), "宋体");
  EXPECT_FALSE(english.contains("WenQuanYi Micro Hei"));
  test::MemoryProfile profile;
  MainDlgDeps deps;
  deps.profile = &profile;
  deps.writeLanguage = [](int) {};
  COndrelDlg main(deps);
  main.show();
  EXPECT_EQ(main.font().families(), english);
  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) {
    lang->list()->setCurrentIndex(0);
    lang->okButton()->click();
  });
  main.LanguageCommand();
  EXPECT_TRUE(main.font().families().contains("WenQuanYi Micro Hei"));
  EXPECT_TRUE(QApplication::font().families().contains("WenQuanYi Micro Hei"));
  EXPECT_EQ(main.font().pointSize(), 10);
  QApplication::setFont(appFont);
  SetUiLanguage(1);
}

// Whatever the font of the language, every label of the main window shows whole
// and its field keeps its right edge, also after switching back and forth.
TEST(Install, MainWindowLabelsFitTheFontOfEitherLanguage) {
  MessageRecorder rec;
  const QFont appFont = QApplication::font();
  test::MemoryProfile profile;
  MainDlgDeps deps;
  deps.profile = &profile;
  deps.writeLanguage = [](int) {};
  SetUiLanguage(1);
  COndrelDlg main(deps);
  main.show();
  std::map<QWidget*, int> rightEdges;
  for (QLabel* l : main.findChildren<QLabel*>())
    if (l->buddy()) rightEdges[l->buddy()] = l->buddy()->geometry().right();
  auto check = [&](const char* when) {
    for (QLabel* l : main.findChildren<QLabel*>()) {
      QWidget* field = l->buddy();
      if (!field) continue;
      if (qobject_cast<CDrawEdit*>(field) && qobject_cast<IpAddressEdit*>(field->parentWidget()))
        field = field->parentWidget();
      EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << when << l->text().toStdString();
      EXPECT_LE(l->geometry().right(), field->geometry().left()) << when << l->text().toStdString();
    }
  };
  check("English ");
  for (int lang : {0, 1}) {
    test::WhenModal<CLangSetDlg>([lang](CLangSetDlg* dlg) {
      dlg->list()->setCurrentIndex(lang);
      dlg->okButton()->click();
    });
    main.LanguageCommand();
    check(lang ? "English again " : "Chinese ");
  }
  for (QLabel* l : main.findChildren<QLabel*>()) {
    if (!l->buddy()) continue;
    EXPECT_EQ(l->buddy()->geometry().right(), rightEdges[l->buddy()]);
  }
  QApplication::setFont(appFont);
  SetUiLanguage(1);
}

}  // namespace
}  // namespace tolvane
