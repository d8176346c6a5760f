#pragma once
#include <string>

namespace tolvane {

// Where config.ini lives, for the window and tolvanectl alike: beside the
// executable of a build tree or a copied folder this user may write in, else in
// the user's configuration folder (UserConfigFolder()). An installed program
// always uses the user's folder, whoever runs it, even the administrator.
std::string ConfigIniPath(const std::string& exeDir, bool installed, bool exeDirWritable);
std::string ConfigIniPath(const std::string& exeDir);  // the system says which it is

// config.ini: [System] LanguageType.
int ReadLanguageType(const std::string& configPath);  // 1 when the file, the key or its value is missing
// Changes only the value of that one key; false, with the file untouched, when it
// cannot be written or what is there cannot be read. makeDirs creates a missing folder.
bool WriteLanguageType(const std::string& configPath, int language, bool makeDirs = false);

}  // namespace tolvane
