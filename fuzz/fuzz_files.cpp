// Hand-edited profiles and config.ini files: loading never fails, and writing
// the language always reads back as written.
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstdio>

#include "app/config_ini.h"
#include "connection/comm_settings.h"
#include "connection/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolvane;
  static const QString dir = QString("/tmp/tolvane-fuzz-%1").arg(getpid());
  static bool made = [] { return QFile::exists(dir) || (std::system(("mkdir -p " + dir.toStdString()).c_str()) == 0); }();
  (void)made;
  const QString path = dir + "/file.ini";
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  {
    IniProfileStore store(path);
    LoadCommSettings(store);
  }
  const int before = ReadLanguageType(path);
  if (before < 0 || before > 255) __builtin_trap();
  const int lang = size ? data[0] & 1 : 0;
  if (WriteLanguageType(path, lang) && ReadLanguageType(path) != lang) __builtin_trap();
  return 0;
}
