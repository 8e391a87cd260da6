#pragma once
// Builds the browsing tree from the tag store: directory nodes at the top level, a file node for
// each run of one file, and a member node for each named tag, all in store order.

#include <cstddef>
#include <string_view>

#include "tags/code_page.h"
#include "tags/load_progress.h"

namespace quarrow {

class TagStore;
class TagTree;

// The two ways of showing members that the user may switch on; both off give the Java tree.
struct TreeOptions {
    // Member images by the tag's language and kind (kind_icons.h) instead of the Java table.
    bool languageIcons = false;
    // A member whose scope names another member of its file becomes that member's child
    // (scope_nesting.h); siblings keep store order.
    bool nestScopes = false;

    bool operator==(const TreeOptions&) const = default;
};

// Clears `tree` and fills it from `store`, in store order; `cp` is the code page of the file
// names. Ends with tree.EndBuild(). The labels view the store's bytes. `progress` (may be null)
// hears of the records done at each new file and may stop the build there: false then, with the
// tree empty.
bool BuildTagTree(TagTree& tree, const TagStore& store, CodePage cp = CodePage::Utf8, TreeOptions options = {},
                  LoadProgress* progress = nullptr);

// BuildTagTree with an option's work on the members cut into ranges of about `rangeRecords`
// records each (BuildTagTree picks its own size): lets a test cut small stores.
bool BuildTagTreeInRanges(TagTree& tree, const TagStore& store, CodePage cp, TreeOptions options,
                          LoadProgress* progress, std::size_t rangeRecords);

// The folder part of a path: the text before its last separator, empty when there is none. A
// view into `path`. A separator byte that can be the second byte of a double-byte character of
// `cp` counts only on a character boundary.
std::string_view DirectoryOf(std::string_view path, CodePage cp) noexcept;

// The position of the last `separator` in `path` by the rule of DirectoryOf, or npos.
std::size_t FindLastSeparator(std::string_view path, CodePage cp, char separator) noexcept;

// The name part of a path: the text after its last separator byte (a plain byte search), the
// whole path when there is none. A view into `path`.
std::string_view FileNameOf(std::string_view path) noexcept;

}  // namespace quarrow
