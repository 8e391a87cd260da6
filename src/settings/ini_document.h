#pragma once
// The text of an INI profile held as bytes, with lookup and in-place edits. It knows the line
// rules only; files, locks and value quoting belong to Profile.
//
// Line rules (a line ends at LF; a CR right before the LF belongs to the line end):
// - blanks are space, tab, CR, vertical tab and form feed;
// - after leading blanks, "[" ... last "]" on the line is a section header, the name between
//   them with blanks trimmed; a "[" without a "]" is not a header;
// - a line whose first non-blank byte is ";" is a comment;
// - any other line with an "=" and a non-empty name before it is a key line: the name is the
//   text before the first "=", the value the text after it, both trimmed of blanks;
// - everything else (blank lines, junk, lines before the first header's keys count as no
//   section) is kept as it stands.
// Section names compare without regard to ASCII case; key names too, unless a lookup asks for
// KeyMatch::Exact (keys that are file paths, where case tells two files apart). A key is looked up in every
// section of that name in file order; the first key line that matches is the one read and the
// one rewritten. Every line that an edit does not touch stays byte for byte, line end included.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quarrow {

// How key names compare.
enum class KeyMatch { AnyCase, Exact };

class IniDocument final {
public:
    explicit IniDocument(std::string text = {});
    // Found values point into the text, so the document stays where it was made.
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    const std::string& Text() const noexcept { return m_text; }

    // The raw value (trimmed, quotes still on) of the first matching key line.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key,
                                         KeyMatch match = KeyMatch::AnyCase) const;

    // Every key of the section(s) of that name in file order, the first of equal names only,
    // with raw values.
    std::vector<std::pair<std::string_view, std::string_view>> Keys(std::string_view section,
                                                                    KeyMatch match = KeyMatch::AnyCase) const;

    // Sets the value text of a key: rewrites its first key line, or adds a line at the end of the
    // first section of that name, or adds the section at the end of the text. The names must be
    // writable (see IsWritableSection/IsWritableKey). Returns false when the text stays the same.
    bool Set(std::string_view section, std::string_view key, std::string_view valueText,
             KeyMatch match = KeyMatch::AnyCase);

    // Removes every key line of the section(s) of that name and puts `keys` (name, value text)
    // where the first section's keys were. Other lines stay. Returns false when nothing changed.
    bool ReplaceKeys(std::string_view section, const std::vector<std::pair<std::string, std::string>>& keys);

    // Names that read back as themselves once written: no line break, and for a key no "=" and
    // no leading "[" or ";". Blanks around a name do not count.
    static bool IsWritableSection(std::string_view section);
    static bool IsWritableKey(std::string_view key);

    static std::string_view Trim(std::string_view text);
    static bool EqualNoCase(std::string_view a, std::string_view b);
    static bool SameKey(std::string_view a, std::string_view b, KeyMatch match);

private:
    enum class Kind { Other, Header, Key };
    struct Line {
        std::size_t begin = 0;     // first byte
        std::size_t length = 0;    // without the line end
        std::size_t end = 0;       // after the line end
        Kind kind = Kind::Other;
        std::string_view name;     // section or key name, trimmed
        std::string_view value;    // key value, trimmed
        std::size_t indent = 0;    // leading blanks of a key line
        bool terminated() const noexcept { return begin + length < end; }
    };

    // The line that starts at `pos` (< size of the text). Lines are parsed as they are visited,
    // so a file of many short lines costs no more memory than its bytes.
    Line LineAt(std::size_t pos) const;
    // Calls `visit(line, inSection)` for each line in order until it returns false; inSection
    // says whether the line lies in a section named `section`.
    template <typename Visit>
    void Scan(std::string_view section, Visit visit) const;
    std::optional<Line> FindLine(std::string_view section, std::string_view key, KeyMatch match) const;
    // A line end to add before appending when the text does not end with one.
    std::string_view FinalLineBreak() const;

    std::string m_text;
    std::string m_eol;  // the file's own line end, for lines this class adds
};

}  // namespace quarrow
