// Tests keep their temporary paths as QString (QTemporaryDir); the stored-file
// functions take plain strings.
#pragma once
#include <QString>

#include "platform/config_ini.h"
#include "platform/settings_store.h"

namespace tolvane {

inline int ReadLanguageType(const QString& path) { return ReadLanguageType(path.toStdString()); }
inline bool WriteLanguageType(const QString& path, int language) {
  return WriteLanguageType(path.toStdString(), language);
}
inline std::string ToPath(const QString& path) { return path.toStdString(); }

}  // namespace tolvane
