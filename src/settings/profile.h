#pragma once
// The settings profile: an INI file read and written key by key, with the rules users of
// private-profile files expect (case-insensitive names, blanks and quotes stripped, values cut at
// 4095 characters, file and section created on write, every other line kept as it was).
// A write replaces the file atomically under a lock, so concurrent instances never lose keys.
//
// Section names compare without regard to case, and so do key names, but for the sections whose
// keys are file paths (setting_keys::kPathKeyedSections), where keys compare exactly.
//
// Reading never fails: a missing or unreadable file, section or key gives the default. Every
// read goes to the file, so a value another instance wrote is seen at once.
//
// Reading a string: the value with surrounding blanks dropped; a value enclosed in matching
// single or double quotes loses them; then at most kMaxValueLength bytes are kept, without
// splitting a UTF-8 sequence at the cut.
//
// Reading an integer: a missing key or an empty value gives the default. Otherwise optional
// blanks, an optional sign and the decimal digits that follow make the number; text that does
// not start so reads as 0, and anything after the digits is ignored ("12abc" is 12, "0x10" is 0).
// Numbers beyond the int range read as the nearest int (INT_MIN or INT_MAX), not wrapped.
//
// Writing: the first key line of that name (in any section of that name) is rewritten in place,
// or the key is added to the section, or the section to the end of the file; the file is created
// when missing, but not its folder. A value that would read back differently (blanks at either
// end, or enclosed in matching quotes) is stored in double quotes so that it reads back as it
// was written. Names or values that cannot be stored in a line (line breaks; a key with "=" or a
// leading "[" or ";") are refused. A write resolves a symbolic link to its target, keeps the
// file's permissions and line ends, and reports false when the file was not changed as asked.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarrow {

class Profile {
public:
    // A section's keys and values, in file order.
    using SectionKeys = std::vector<std::pair<std::string, std::string>>;

    // The longest string a read gives, as the private-profile buffer of 4096 bytes allows.
    static constexpr std::size_t kMaxValueLength = 4095;

    explicit Profile(std::string path = {});

    const std::string& Path() const noexcept { return m_strPath; }
    void SetPath(std::string path) { m_strPath = std::move(path); }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInt(std::string_view section, std::string_view key, int value);

    // The end of a session that read a key at its start (`atStart`, read with `defaultValue`)
    // and now holds `value`. A key this session changed is written; a key it did not change is
    // written only when the file still reads `atStart` (which writes it as WriteString would,
    // or adds it when missing), so a change another instance made meanwhile stays. The test and
    // the write are one step under the writers' lock. False when a needed write failed.
    bool WriteBackString(std::string_view section, std::string_view key, std::string_view value,
                         std::string_view atStart, std::string_view defaultValue);
    bool WriteBackInt(std::string_view section, std::string_view key, int value, int atStart, int defaultValue);

    // Every key of a section in file order (the first of equal names), values read as
    // ReadString reads them. Empty when the file or section is missing.
    SectionKeys ReadSection(std::string_view section) const;

    // Replaces all keys of a section by `keys`, in one write: what deleting the section and
    // writing each key would give, without the moment in between. Comments and other lines of
    // the section stay. An empty list removes the keys.
    bool WriteSection(std::string_view section, const SectionKeys& keys);

    // As WriteSection, with the keys made by `rewrite` from the section's keys as the file holds
    // them at that moment (as ReadSection gives them), all under the writers' lock: no other
    // instance's write can fall between the read and the write.
    bool RewriteSection(std::string_view section, const std::function<SectionKeys(SectionKeys)>& rewrite);

private:
    std::string m_strPath;
};

}  // namespace quarrow
