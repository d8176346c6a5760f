// Save Parameters and Load Parameters through the real window, offscreen,
// against the simulated coupler.
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/language.h"
#include "link/serial_link.h"
#include "support/parameter_sample.h"
#include "support/recorders.h"
#include "support/sim_process.h"
#include "ui/controls.h"
#include "ui/lang_set_dlg.h"
#include "ui/main_dlg.h"
#include "ui/ui_support.h"

namespace tolvane {
namespace {

using test::MessageRecorder;
using test::SimProcess;

// What Load may change, and what it must not.
struct Shown {
  std::array<QString, kFieldCount> texts;
  int mode, baud;
  bool operator==(const Shown&) const = default;
};

Shown Read(COndrelDlg& d) {
  Shown s;
  for (int f = 0; f < kFieldCount; ++f) {
    QWidget* w = d.fieldWidget(static_cast<Field>(f));
    auto* a = qobject_cast<IpAddressEdit*>(w);
    s.texts[f] = a ? a->text() : qobject_cast<QLineEdit*>(w)->text();
  }
  s.mode = d.modeList()->currentIndex();
  s.baud = d.baudList()->currentIndex();
  return s;
}

std::unique_ptr<COndrelDlg> Window(const QString& openPath = {}, const QString& savePath = {}) {
  MainDlgDeps deps;
  deps.logicalDpiY = 96;
  deps.askOpenPath = [openPath](const QString&, const QString&, const QString&) { return openPath; };
  if (!savePath.isEmpty())
    deps.askSavePath = [savePath](const QString&, const QString&, const QString&) { return savePath; };
  auto d = std::make_unique<COndrelDlg>(deps);
  d->show();
  return d;
}

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ParameterFileDlg, SettingMenuItemsRelabelAndKeepTheirKeysApart) {
  MessageRecorder rec;
  SetUiLanguage(0);
  auto d = Window();
  QMenu* setting = d->menuBar()->actions()[1]->menu();
  ASSERT_EQ(setting->actions().size(), 4);
  EXPECT_TRUE(setting->actions()[1]->isSeparator());
  EXPECT_EQ(setting->actions()[2]->text(), "保存参数…");
  EXPECT_EQ(setting->actions()[3]->text(), "加载参数…");
  test::WhenModal<CLangSetDlg>([](CLangSetDlg* lang) {
    lang->list()->setCurrentIndex(1);
    lang->okButton()->click();
  });
  d->LanguageCommand();
  EXPECT_EQ(d->saveParametersItem()->text(), "Save Parameters…");
  EXPECT_EQ(d->loadParametersItem()->text(), "Load Parameters…");
  QStringList keys;
  for (QAction* a : d->findChildren<QAction*>())
    if (!a->shortcut().isEmpty()) keys << a->shortcut().toString();
  EXPECT_TRUE(keys.contains("Ctrl+S") && keys.contains("Ctrl+O") && keys.contains("F1"))
      << keys.join(' ').toStdString();
  const auto all = keys.size();
  keys.removeDuplicates();
  EXPECT_EQ(keys.size(), all) << "two items share a key";
}

TEST(ParameterFileDlg, SavedFromOneWindowLoadsIntoAFreshOneAndIsSentFromThere) {
  SimProcess sim({"--baud", "115200", "--mode", "0"});
  MessageRecorder rec;
  SetUiLanguage(1);
  QTemporaryDir dir;
  const QString path = dir.filePath("first.ini");
  test::UsePort(sim.port(), 115200, 0);
  ASSERT_TRUE(Link().OpenPort());
  auto first = Window();
  ConnectedFlag().store(1);  // a window starts unconnected
  first->commandButton(0)->click();
  ASSERT_EQ(rec.Texts().back(), "Parameter upload successful!");
  qobject_cast<QLineEdit*>(first->fieldWidget(kStopAddress))->setText("1234");
  qobject_cast<IpAddressEdit*>(first->fieldWidget(kGateway))->setText("192.168.1.254");
  first->baudList()->setCurrentIndex(5);

  // The real file prompt: our filter and a name for the module.
  test::WhenModal<QFileDialog>([&](QFileDialog* prompt) {
    EXPECT_EQ(prompt->nameFilters(), QStringList{"Tolvane parameters (*.ini)"});
    ASSERT_EQ(prompt->selectedFiles().size(), 1);
    EXPECT_TRUE(prompt->selectedFiles()[0].endsWith("/KX-130_station1.ini"))
        << prompt->selectedFiles()[0].toStdString();
    prompt->selectFile(path);
    static_cast<QDialog*>(prompt)->accept();  // through the dialog, as its OK button does
  });
  first->saveParametersItem()->trigger();
  EXPECT_EQ(rec.Texts().back(), "The parameters have been saved to the file!");
  const QByteArray saved = Bytes(path);
  EXPECT_TRUE(saved.contains("[Tolvane]\nFormat=1\nVersion="));
  EXPECT_TRUE(saved.contains("Model=KX-130\nTypeCode=0x1501\n"));

  // Saving over it asks first; No leaves the file as it was.
  test::WhenModal<QFileDialog>([&](QFileDialog* prompt) {
    prompt->selectFile(path);
    static_cast<QDialog*>(prompt)->accept();  // through the dialog, as its OK button does
  });
  QLineEdit* code = qobject_cast<QLineEdit*>(first->fieldWidget(kStopCode));
  const QString held = code->text();
  code->setText("9");
  rec.answer = MsgAnswer::No;
  first->saveParametersItem()->trigger();
  rec.answer = MsgAnswer::Yes;
  EXPECT_EQ(rec.messages.back().buttons, MsgButtons::YesNo);
  EXPECT_NE(rec.Texts().back().find("already exists"), std::string::npos);
  EXPECT_EQ(Bytes(path), saved);
  code->setText(held);

  // The next module: connected and read (which makes its MAC address known), then loaded.
  auto fresh = Window(path);
  ConnectedFlag().store(1);
  fresh->commandButton(0)->click();
  const Shown before = Read(*fresh);
  ASSERT_FALSE(before.texts[kMacAddress].isEmpty());
  fresh->loadParametersItem()->trigger();
  EXPECT_EQ(rec.Texts().back(), txt::kParamLoaded.en);
  const Shown want = Read(*first), got = Read(*fresh);
  for (Field f : {kStation, kStopAddress, kStopCode, kIpAddress, kSubnetMask, kGateway})
    EXPECT_EQ(got.texts[f], want.texts[f]) << f;
  EXPECT_EQ(got.mode, want.mode);
  EXPECT_EQ(got.baud, 5);
  for (Field f : {kModuleType, kSoftwareVersion, kContractVersion, kHardwareVersion, kMacAddress})
    EXPECT_EQ(got.texts[f], before.texts[f]) << f;

  fresh->commandButton(2)->click();
  fresh->commandButton(3)->click();
  EXPECT_EQ(rec.Texts().back(), "Parameter download successful!");
  EXPECT_EQ(sim.Registers()[5], 1234);
  EXPECT_EQ(sim.Registers()[23], 254);
  Link().ClosePort();
  ConnectedFlag().store(0);
}

TEST(ParameterFileDlg, AFileThatIsNotGoodChangesNothing) {
  MessageRecorder rec;
  SetUiLanguage(1);
  QTemporaryDir dir;
  const QString bad = dir.filePath("bad.ini"), big = dir.filePath("big.ini"), fifo = dir.filePath("fifo.ini");
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Tolvane]\nFormat=1\n[Communication]\nStation=0\nModeCode=0\nBaudRateCode=7\n");
    QFile g(big);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(QByteArray(70 * 1024, ';'));
  }
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const std::vector<std::pair<QString, std::string>> cases = {
      {bad, "\"0\" of [Communication] Station"},
      {big, "larger than 64 KiB"},
      {fifo, "is not a regular file"},
      {dir.filePath("none.ini"), "does not exist"},
  };
  {
    // Unconnected, no file is read: the one message asks for a connection.
    auto d = Window(bad);
    d->loadParametersItem()->trigger();
    EXPECT_EQ(rec.Texts(), std::vector<std::string>{"Please connect the device!"});
  }
  for (const auto& [path, why] : cases) {
    auto d = Window(path);
    ConnectedFlag().store(1);  // a window starts unconnected
    qobject_cast<QLineEdit*>(d->fieldWidget(kStopCode))->setText("7");
    const Shown before = Read(*d);
    rec.messages.clear();
    d->loadParametersItem()->trigger();
    ASSERT_EQ(rec.messages.size(), 1u) << why;
    EXPECT_NE(rec.messages[0].text.find(why), std::string::npos) << rec.messages[0].text;
    EXPECT_EQ(Read(*d), before) << why;
  }
  ConnectedFlag().store(0);
}

// The sample against which the Windows window's tests hold their Save and Load.
TEST(ParameterFileDlg, WritesAndLoadsTheSampleBothWindowsShare) {
  MessageRecorder rec;
  SetUiLanguage(1);
  QTemporaryDir dir;
  const QString saved = dir.filePath("参数 ü.ini"), sample = TOLVANE_TEST_DATA "/kx130_station12.ini";
  auto d = Window(sample, saved);
  test::ShowSampleModule(d->model());
  d->saveParametersItem()->trigger();
  ASSERT_EQ(rec.Texts().back(), txt::kParamSaved.en);
  EXPECT_EQ(test::Unstamped(Bytes(saved).toStdString()), test::Unstamped(Bytes(sample).toStdString()));
  auto fresh = Window(sample);
  ConnectedFlag().store(1);
  fresh->loadParametersItem()->trigger();
  EXPECT_EQ(rec.Texts().back(), txt::kParamLoaded.en);
  for (Field f : {kStation, kStopAddress, kStopCode, kIpAddress, kSubnetMask, kGateway})
    EXPECT_EQ(Read(*fresh).texts[f], Read(*d).texts[f]) << f;
  EXPECT_EQ(Read(*fresh).baud, 5);
  ConnectedFlag().store(0);
}

}  // namespace
}  // namespace tolvane
