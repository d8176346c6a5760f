#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/comm_settings.h"

namespace tolvane {

// $XDG_CONFIG_HOME/tolvane (~/.config/tolvane when unset).
std::string UserConfigFolder();
// $XDG_CONFIG_HOME/tolvane/tolvane.ini (~/.config when unset).
std::string DefaultProfilePath();

// The per-user profile as an INI file of plain text values. Values are written
// in the quoting that QSettings used for this file, so profiles of earlier
// versions load unchanged; nothing in it is ever decoded into anything but text.
// The file is read on the first Read and replaced by Commit through a
// temporary file and a rename; keys and sections we do not own are kept.
class IniProfileStore : public ProfileStore {
 public:
  explicit IniProfileStore(const std::string& path = DefaultProfilePath());
  std::string Read(const std::string& section, const std::string& key) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;
  bool Commit() override;

 private:
  struct Entry {
    std::string section, key, value;
  };
  std::string path_;
  std::optional<std::string> text_;  // as last read; an absent or unusable file reads as empty
  std::vector<Entry> pending_;
};

// The text of a stored value: QSettings' quotes and escapes undone, lists joined
// back with ", " as they were written. A leading "@" (QSettings' mark for a
// serialized type) is kept as text; "@@" stands for a literal "@".
std::string DecodeProfileValue(const std::string& stored);
// The stored form of a text, readable by DecodeProfileValue and by QSettings.
std::string EncodeProfileValue(const std::string& text);

}  // namespace tolvane
