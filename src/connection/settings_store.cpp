#include "connection/settings_store.h"

#include <QDir>
#include <QSettings>
#include <QStringList>

namespace tolvane {

QString DefaultProfilePath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + "/.config";
  return base + "/tolvane/tolvane.ini";
}

QString SettingText(const QSettings& settings, const QString& key) {
  QVariant v = settings.value(key);
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(", ");
  return v.toString();
}

IniProfileStore::IniProfileStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

IniProfileStore::~IniProfileStore() = default;

std::string IniProfileStore::Read(const std::string& section, const std::string& key) {
  return SettingText(*settings_, QString::fromStdString(section + "/" + key)).toStdString();
}

void IniProfileStore::Write(const std::string& section, const std::string& key, const std::string& value) {
  settings_->setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
}

bool IniProfileStore::Commit() {
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

}  // namespace tolvane
