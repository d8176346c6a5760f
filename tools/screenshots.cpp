// Renders the main window (empty and filled from a module), the
// communication settings dialog, the traffic monitor (its times from a fixed
// clock), the box that a successful Link shows, the language dialog and the Find
// Module dialog after a search in both languages to PNG files. The user guides
// show five of them (CMakeLists.txt, TOLVANE_GUIDE_PICTURES).
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "core/comm_settings.h"
#include "core/language.h"
#include "core/texts.h"
#include "link/serial_link.h"
#include "link/traffic_recorder.h"
#include "modbus/modbus_master.h"
#include "models/commands.h"
#include "picture_clock.h"
#include "ui/com_set_dlg.h"
#include "ui/find_module_dlg.h"
#include "ui/images.h"
#include "ui/lang_set_dlg.h"
#include "ui/main_dlg.h"
#include "ui/qt_services.h"
#include "ui/traffic_monitor_dlg.h"

using namespace tolvane;

namespace {
bool Save(QWidget& w, const QString& path) {
  w.show();
  QApplication::processEvents();
  bool ok = w.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

// The box of a successful Link, saved while it waits for its OK and then closed.
bool SaveLinkedBox(QWidget& owner, const QString& path) {
  bool ok = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!box) return;
    poll.stop();
    ok = Save(*box, path);
    box->close();
  });
  poll.start(20);
  ShowPlainBox(ToWindowId(&owner), Pick(txt::kModelKx130));
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: screenshots OUTPUT_DIR SIMULATOR_PORT\n");
    return 2;
  }
  QApplication::setFont(DialogFont());
  QtMessagePresenter presenter;
  SetMessagePresenter(&presenter);
  const QString out = argv[1];
  QDir().mkpath(out);
  bool ok = true;
  for (int lang : {1, 0}) {
    const QString suffix = lang == 0 ? "zh" : "en";
    SetUiLanguage(lang);
    pictures::UsePictureClock();
    MainDlgDeps deps;
    deps.logicalDpiY = 96;
    COndrelDlg main(deps);
    ok &= Save(main, out + "/main_empty_" + suffix + ".png");
    // The monitor lists only what this language's run sends.
    main.TrafficMonitorCommand();
    CTrafficMonitorDlg* monitor = main.trafficMonitor();
    monitor->hide();
    monitor->ClearClick();
    CommSettings& c = Comm();
    c.portName = argv[2];
    c.baud = 9600;
    c.transferMode = 1;
    c.dataBits = 8;
    c.parity = 0;
    c.stopBits = 2;
    c.station = 1;
    if (Link().OpenPort()) {
      // A probe of a station that is not there, then the module's own: the
      // monitor shows three tries without an answer and then a Link's probe.
      c.station = 2;
      ProbeModule();
      c.station = 1;
      ProbeModule();
      ConnectedFlag().store(1);
      ReadAfterConnect(main.model());
      Link().ClosePort();
    }
    ok &= Save(main, out + "/main_filled_" + suffix + ".png");
    ok &= SaveLinkedBox(main, out + "/linked_" + suffix + ".png");
    monitor->resize(1000, 440);
    ok &= Save(*monitor, out + "/monitor_" + suffix + ".png");
    CComSetDlg settings(&main, GuiDispatcher(), [&] { return std::vector<std::string>{argv[2]}; });
    ok &= Save(settings, out + "/settings_" + suffix + ".png");
    CLangSetDlg language(&main, nullptr);
    ok &= Save(language, out + "/language_" + suffix + ".png");
    // A search over the first stations at the connection's line settings finds
    // the module at once.
    CFindModuleDlg find(&main, GuiDispatcher(), [&] { return std::vector<std::string>{argv[2]}; });
    find.to()->setText("5");
    emit find.to()->textEdited("5");
    find.lines()->setCurrentIndex(1);
    emit find.lines()->activated(1);
    find.searchButton()->click();
    const QDeadlineTimer deadline(30000);
    while (find.model().Running() && !deadline.hasExpired())
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ok &= Save(find, out + "/find_module_" + suffix + ".png");
  }
  SetMessagePresenter(nullptr);
  return ok ? 0 : 1;
}
