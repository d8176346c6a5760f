// The communication settings dialog as a view over its model.
#include "ui/com_set_dlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/language.h"
#include "support/recorders.h"

namespace tolvane {
namespace {

using test::MessageRecorder;

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
}

}  // namespace
}  // namespace tolvane
