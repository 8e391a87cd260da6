#pragma once
// The list of recently opened tags files: newest first, a fixed capacity, kept in the profile
// section "Recent File List" under "File1", "File2", ...

#include <string>
#include <string_view>
#include <vector>

namespace quarrow {

class Profile;

class RecentFileList final {
public:
    explicit RecentFileList(int capacity);

    int Capacity() const noexcept { return m_nCapacity; }
    const std::vector<std::string>& Entries() const noexcept { return m_entries; }

    void Read(const Profile& profile);   // File1 .. File<capacity>
    void Write(Profile& profile) const;  // every slot; empty slots are removed from the file
    void Add(std::string path);          // to the front; an equal entry moves up
    void Remove(std::string_view path);  // after a failed open

    // The framework's display form: at most `maxLength` characters, the file name kept and
    // leading folders replaced by "...".
    static std::string DisplayName(std::string_view path, std::size_t maxLength = 30);

private:
    int m_nCapacity;
    std::vector<std::string> m_entries;
};

}  // namespace quarrow
