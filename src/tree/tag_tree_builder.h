#pragma once
// Builds the browsing tree from the tag store: directory nodes at the top level, a file node for
// each run of one file, and a member node for each named tag, all in store order.

#include <cstddef>
#include <string_view>

#include "tags/code_page.h"
#include "tree/tag_tree_model.h"

namespace quarrow {

class TagStore;
class TagTree;

// Clears `model` and fills it from `store`, in store order; `cp` is the code page of the file
// names. Ends with model.EndBuild(). The labels view the store's bytes.
void BuildTagTree(TagTreeModel& model, const TagStore& store, CodePage cp = CodePage::Utf8);
// The same for the compact tree, without a virtual call per node.
void BuildTagTree(TagTree& tree, const TagStore& store, CodePage cp = CodePage::Utf8);

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
