#pragma once
// The filter bar's facets: which members stay shown by their kind and by their access. Folders
// and files are not members and are never hidden by them.

#include <bitset>
#include <cstdint>
#include <string_view>

namespace quarrow {

class CTagEntry;

class TagFacets {
public:
    // Every member shown.
    TagFacets() = default;

    // Hides nothing when false.
    bool Active() const noexcept { return m_byKind || m_byAccess; }
    // Shows only the members whose kind letter is one of `letters` (a kind written as a name is
    // read as its letter by its language's table).
    void ShowKinds(std::string_view letters) noexcept;
    // Shows only the members whose access is one of `words`, separated by commas: public,
    // protected, private and package (or "default", as ctags writes it). A member without an access field
    // stays shown. False, with nothing changed, for another word or none.
    bool ShowAccess(std::string_view words) noexcept;
    // True when `member` stays shown.
    bool Shows(const CTagEntry& member) const noexcept;

private:
    std::bitset<128> m_kinds;  // by ASCII letter
    bool m_byKind = false;
    std::uint8_t m_access = 0;  // a bit per word of kAccessWords
    bool m_byAccess = false;
};

}  // namespace quarrow
