#pragma once
#include <string>

namespace tolvane {

// config.ini beside the executable: [System] LanguageType.
int ReadLanguageType(const std::string& configPath);  // 1 when the file, the key or its value is missing
// Changes only the value of that one key; false, with the file untouched, when it
// cannot be written or what is there cannot be read.
bool WriteLanguageType(const std::string& configPath, int language);

}  // namespace tolvane
