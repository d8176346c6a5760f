// The window's per-user profile, wherever this system keeps it: an INI file
// under the user's configuration folder on Linux, the registry on Windows.
#pragma once
#include <memory>
#include <string>

#include "core/comm_settings.h"

namespace tolvane {

std::unique_ptr<ProfileStore> OpenUserProfile();
// Where that is, for help texts and messages ("~/.config/tolvane/tolvane.ini",
// "HKEY_CURRENT_USER\Software\...").
std::string UserProfileLocation();

}  // namespace tolvane
