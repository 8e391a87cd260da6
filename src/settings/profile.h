#pragma once
// The settings profile: an INI file read and written key by key, with the rules users of
// private-profile files expect (case-insensitive names, blanks and quotes stripped, values cut at
// 4095 characters, file and section created on write, every other line kept as it was).
// A write replaces the file atomically under a lock, so concurrent instances never lose keys.

#include <string>
#include <string_view>

namespace quarrow {

class Profile {
public:
    explicit Profile(std::string path = {});

    const std::string& Path() const noexcept { return m_strPath; }
    void SetPath(std::string path) { m_strPath = std::move(path); }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInt(std::string_view section, std::string_view key, int value);

private:
    std::string m_strPath;
};

}  // namespace quarrow
