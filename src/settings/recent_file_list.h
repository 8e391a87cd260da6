#pragma once
// The list of recently opened tags files: newest first, a fixed capacity, kept in the profile
// section "Recent File List" under "File1", "File2", ...
//
// Several windows share the list in the file. Each writes at its end its own opens first
// (newest first), then the file's entries of that moment that are not among them and that it
// did not remove itself, up to its capacity: a file another window opened meanwhile stays in
// the list.

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarrow {

class Profile;

class RecentFileList final {
public:
    // A negative capacity counts as 0, a list that keeps nothing.
    explicit RecentFileList(int capacity);

    int Capacity() const noexcept { return m_nCapacity; }
    const std::vector<std::string>& Entries() const noexcept { return m_entries; }

    // File1 .. File<capacity>, in number order; empty entries and repeats are skipped.
    void Read(const Profile& profile);
    // Replaces the section's keys by File1 .. FileN of the list merged with the file's (see
    // above), in one write under the writers' lock, so no stale higher entry survives. A list
    // of capacity 0 writes nothing.
    void Write(Profile& profile) const;
    // To the front; an equal entry (same bytes) moves up; the oldest drops off beyond capacity.
    // An empty path is ignored.
    void Add(std::string path);
    // After a failed open: also left out of the file's entries when the list is written.
    void Remove(std::string_view path);

    // The framework's display form: at most `maxLength` characters, the file name kept and
    // leading folders replaced by "...". Characters are UTF-8 characters. The rule:
    // - a path that fits is shown as it is;
    // - otherwise the leading folders are replaced by "..." (after the root "/" of an absolute
    //   path), dropping whole folders from the left until it fits: "/.../to/Foo.tags",
    //   ".../to/Foo.tags";
    // - when not even "/.../" (or ".../") and the file name fit, the file name alone, whole.
    static std::string DisplayName(std::string_view path, std::size_t maxLength = 30);

private:
    // The entries of the section's keys, as Read takes them.
    std::vector<std::string> EntriesOf(std::vector<std::pair<std::string, std::string>> keys) const;

    int m_nCapacity;
    std::vector<std::string> m_entries;
    std::set<std::string, std::less<>> m_opened;   // added since the list was read
    std::set<std::string, std::less<>> m_removed;  // removed since, and not added again
};

}  // namespace quarrow
