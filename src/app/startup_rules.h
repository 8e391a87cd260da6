#pragma once
// The two start-up decisions that only read the profile: whether the single-instance rule
// applies, and how large the recent-file list is.

#include <optional>
#include <string>
#include <string_view>

#include "settings/recent_file_list.h"

namespace quarrow {

class Profile;

inline constexpr std::string_view kApplicationTitle = "Quarrow";
inline constexpr std::string_view kTitleSeparator = " - ";
inline constexpr std::string_view kInstanceMutexName = "QUARROW-MUTEXCHECKSTRING";

// The menu shows at most this many recent files, as commands 57616 to 57631.
inline constexpr int kRecentFileFirstCommand = 57616;
inline constexpr int kRecentFileMenuEntries = 16;

// The title of a main window that shows the default tags file of "-T": "QR-SOURCE.tags - Quarrow".
// A later instance under the single-instance rule asks a window with this title to close.
std::string DefaultTagsWindowTitle();

// "SYSTEM"/"MULTIVIEW" exactly 1 allows several instances side by side; any other value puts
// this instance under the single-instance rule.
bool SingleInstanceRuleApplies(const Profile& profile);

// Reads "TAGS"/"RECENTSIZE" (default 20) and writes the value read straight back, so the key
// exists after the first start. 0 or less: no list (a negative value is kept in the file as it
// is). Otherwise a list of that capacity, read from the profile; it keeps that many entries, and
// the menu shows the first kRecentFileMenuEntries of them.
std::optional<RecentFileList> SizeRecentFileList(Profile& profile);

}  // namespace quarrow
