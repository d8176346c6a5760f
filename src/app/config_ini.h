#pragma once
#include <QString>

namespace tolvane {

// config.ini beside the executable: [System] LanguageType.
int ReadLanguageType(const QString& configPath);  // 1 when the file or key is missing
bool WriteLanguageType(const QString& configPath, int language);

}  // namespace tolvane
