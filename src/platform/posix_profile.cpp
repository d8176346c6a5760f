#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/settings_store.h"
#include "platform/user_profile.h"

namespace tolvane {

std::string UserConfigFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw && pw->pw_dir ? pw->pw_dir : "/";
    }
    base = std::string(home) + "/.config";
  }
  return base + "/tolvane";
}

std::unique_ptr<ProfileStore> OpenUserProfile() { return std::make_unique<IniProfileStore>(DefaultProfilePath()); }

std::string UserProfileLocation() { return DefaultProfilePath(); }

}  // namespace tolvane
