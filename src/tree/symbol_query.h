#pragma once
// A symbol query as typed: words separated by blanks, all of which must match a tag.
//   word          matches the tag's name, in order (see fuzzy_word.h), and scores it;
//   k:X, kind:X   the tag's kind is X: a kind letter ("k:m", compared exactly) or a kind name
//                 ("kind:method", either case); "k:m,f" takes either;
//   f:X, file:X   the tag's file path holds X (ignoring the case of ASCII letters);
//   Outer.name, Outer::name
//                 the tag's scope matches Outer (in order, as a name does) and its name matches
//                 name; "Outer." alone asks for the scope only.
// A token without its value ("k:" while it is being typed) asks for nothing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/code_page.h"
#include "tree/fuzzy_word.h"
#include "tree/tag_tree_filter.h"

namespace quarrow {

class CTagEntry;

struct SymbolQuery {
    std::vector<FuzzyWord> names;                 // each scores the name; the name's score is their sum
    std::vector<FuzzyWord> scopes;                // each must be in the tag's scope
    std::vector<std::vector<std::string>> kinds;  // per k: word, the kinds it takes
    std::vector<TagFilterText> files;             // each must be in the tag's file path
    std::uint32_t nameSignature = 0;              // the bits of all name words together

    // Nothing asked: the query finds nothing.
    bool Empty() const noexcept { return names.empty() && scopes.empty() && kinds.empty() && files.empty(); }
    // Some word looks at a tag's other fields than its name.
    bool ChecksTags() const noexcept { return !scopes.empty() || !kinds.empty() || !files.empty(); }
    // True when `tag` (whose name matched) passes the scope, kind and file words.
    bool TagPasses(const CTagEntry& tag) const noexcept;
};

SymbolQuery ParseSymbolQuery(std::string_view text, CodePage cp);

// The kind of `tag` as written in its line (without "kind:"), as the found list shows it.
std::string_view TagKindText(const CTagEntry& tag) noexcept;
// The scope of `tag`: its scope field, else its "class:" field; empty without either.
std::string_view TagScopeText(const CTagEntry& tag) noexcept;

}  // namespace quarrow
