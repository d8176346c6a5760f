#include "app/config_ini.h"

#include <QSettings>

#include "app/decimal.h"
#include "connection/settings_store.h"

namespace tolvane {

int ReadLanguageType(const QString& configPath) {
  QSettings ini(configPath, QSettings::IniFormat);
  if (!ini.contains("System/LanguageType")) return 1;
  QString text = SettingText(ini, "System/LanguageType");
  if (text.trimmed().isEmpty()) return 1;
  return DecimalValue(text.toStdString()) & 0xFF;
}

bool WriteLanguageType(const QString& configPath, int language) {
  QSettings ini(configPath, QSettings::IniFormat);
  ini.setValue("System/LanguageType", QString::number(language));
  ini.sync();
  return ini.status() == QSettings::NoError;
}

}  // namespace tolvane
