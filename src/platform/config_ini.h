#pragma once
#include <string>

namespace tolvane {

// Where config.ini lives: beside the executable when this user may write in its
// folder (a build tree, a copied folder), else in the user's configuration
// folder (UserConfigFolder()), as for an installed program in a system folder.
std::string ConfigIniPath(const std::string& exeDir, bool exeDirWritable);
std::string ConfigIniPath(const std::string& exeDir);  // writable as access(W_OK) says

// config.ini: [System] LanguageType.
int ReadLanguageType(const std::string& configPath);  // 1 when the file, the key or its value is missing
// Changes only the value of that one key; false, with the file untouched, when it
// cannot be written or what is there cannot be read. makeDirs creates a missing folder.
bool WriteLanguageType(const std::string& configPath, int language, bool makeDirs = false);

}  // namespace tolvane
