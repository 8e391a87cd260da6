#include "app/startup_rules.h"

#include "app/startup_paths.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"

namespace quarrow {

std::string DefaultTagsWindowTitle() {
    std::string title(kDefaultTagsFileName);
    title += kTitleSeparator;
    title += kApplicationTitle;
    return title;
}

bool SingleInstanceRuleApplies(const Profile& profile) {
    return !IsOn(profile.ReadInt(setting_keys::kSystem, setting_keys::kMultiView,
                                 setting_defaults::kMultiView));
}

std::optional<RecentFileList> SizeRecentFileList(Profile& profile) {
    const int size = profile.ReadInt(setting_keys::kTags, setting_keys::kRecentSize,
                                     setting_defaults::kRecentSize);
    // The value read goes back unchanged, also when it is out of range.
    profile.WriteInt(setting_keys::kTags, setting_keys::kRecentSize, size);
    if (size <= 0) {
        return std::nullopt;
    }
    RecentFileList list(size);
    list.Read(profile);
    return list;
}

}  // namespace quarrow
