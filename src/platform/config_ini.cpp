#include "platform/config_ini.h"

#include "core/decimal.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "platform/system_files.h"

namespace tolvane {
namespace {

const char* const kSection = "System";
const char* const kKey = "LanguageType";

}  // namespace

std::string ConfigIniPath(const std::string& exeDir, bool installed, bool exeDirWritable) {
  return (!installed && exeDirWritable ? exeDir : UserConfigFolder()) + "/config.ini";
}

std::string ConfigIniPath(const std::string& exeDir) {
  // An installed program is asked first: the administrator may write anywhere.
  const bool installed = sysfile::IsInstalledLayout(exeDir);
  return ConfigIniPath(exeDir, installed, !installed && sysfile::FolderWritable(exeDir));
}

int ReadLanguageType(const std::string& configPath) {
  const ini::FileText file = ini::ReadFile(configPath);
  if (file.state != ini::FileState::kRead) return 1;
  std::string value = ini::FindValue(file.bytes, kSection, kKey).value_or("");
  // Read as the Windows INI integer reader reads it: matching quotes around the
  // value are dropped, and an empty value is no value, so it gives the default
  // (English) rather than the number 0.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.empty()) return 1;
  return DecimalValue(value) & 0xFF;
}

bool WriteLanguageType(const std::string& configPath, int language, bool makeDirs) {
  const std::string value = std::to_string(language);
  return ini::RewriteFile(
      configPath, [&](const std::string& text) { return ini::SetValue(text, kSection, kKey, value); }, makeDirs);
}

}  // namespace tolvane
