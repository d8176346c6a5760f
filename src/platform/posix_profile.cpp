#include "platform/settings_store.h"
#include "platform/user_profile.h"

namespace tolvane {

std::unique_ptr<ProfileStore> OpenUserProfile() { return std::make_unique<IniProfileStore>(DefaultProfilePath()); }

std::string UserProfileLocation() { return DefaultProfilePath(); }

}  // namespace tolvane
