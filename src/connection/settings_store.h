#pragma once
#include <QString>
#include <memory>

#include "connection/comm_settings.h"

class QSettings;

namespace tolvane {

// $XDG_CONFIG_HOME/tolvane/tolvane.ini (~/.config when unset).
QString DefaultProfilePath();

// The per-user profile as an INI file; QSettings writes it through a
// temporary file and a rename, so a failed write never leaves half a file.
class IniProfileStore : public ProfileStore {
 public:
  explicit IniProfileStore(const QString& path = DefaultProfilePath());
  ~IniProfileStore() override;
  std::string Read(const std::string& section, const std::string& key) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;
  bool Commit() override;

 private:
  std::unique_ptr<QSettings> settings_;
};

// A text from QSettings, lists (a value with commas) joined back as written.
QString SettingText(const QSettings& settings, const QString& key);

}  // namespace tolvane
