#include "settings/ini_document.h"

#include <algorithm>

namespace quarrow {

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char LowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool HasLineBreak(std::string_view text) noexcept {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument::IniDocument(std::string text) : m_text(std::move(text)) {
    // New lines follow the file's first line end; a file without one gets the platform's.
    const std::size_t lf = m_text.find('\n');
    m_eol = (lf != npos && lf > 0 && m_text[lf - 1] == '\r') ? "\r\n" : "\n";
}

std::string_view IniDocument::Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IniDocument::EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IniDocument::SameKey(std::string_view a, std::string_view b, KeyMatch match) {
    return match == KeyMatch::Exact ? a == b : EqualNoCase(a, b);
}

bool IniDocument::IsWritableSection(std::string_view section) {
    return !Trim(section).empty() && !HasLineBreak(section);
}

bool IniDocument::IsWritableKey(std::string_view key) {
    const std::string_view name = Trim(key);
    return !name.empty() && !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
           name.front() != '[' && name.front() != ';';
}

IniDocument::Line IniDocument::LineAt(std::size_t pos) const {
    const std::string_view text(m_text);
    Line line;
    line.begin = pos;
    const std::size_t lf = text.find('\n', pos);
    if (lf == npos) {
        line.length = text.size() - pos;
        line.end = text.size();
    } else {
        line.length = lf - pos;
        if (line.length > 0 && text[lf - 1] == '\r') --line.length;
        line.end = lf + 1;
    }

    const std::string_view content = text.substr(line.begin, line.length);
    std::size_t first = 0;
    while (first < content.size() && IsBlank(content[first])) ++first;
    if (first == content.size()) return line;
    if (content[first] == '[') {
        const std::size_t close = content.rfind(']');
        if (close != npos && close > first) {
            line.kind = Kind::Header;
            line.name = Trim(content.substr(first + 1, close - first - 1));
        }
    } else if (content[first] != ';') {
        const std::size_t eq = content.find('=', first);
        if (eq != npos) {
            const std::string_view name = Trim(content.substr(first, eq - first));
            if (!name.empty()) {
                line.kind = Kind::Key;
                line.name = name;
                line.value = Trim(content.substr(eq + 1));
                line.indent = first;
            }
        }
    }
    return line;
}

template <typename Visit>
void IniDocument::Scan(std::string_view section, Visit visit) const {
    section = Trim(section);
    bool inSection = false;
    for (std::size_t pos = 0; pos < m_text.size();) {
        const Line line = LineAt(pos);
        if (line.kind == Kind::Header) inSection = EqualNoCase(line.name, section);
        if (!visit(line, inSection)) return;
        pos = line.end;
    }
}

std::optional<IniDocument::Line> IniDocument::FindLine(std::string_view section, std::string_view key,
                                                       KeyMatch match) const {
    key = Trim(key);
    std::optional<Line> found;
    Scan(section, [&](const Line& line, bool inSection) {
        if (inSection && line.kind == Kind::Key && SameKey(line.name, key, match)) found = line;
        return !found;
    });
    return found;
}

std::string_view IniDocument::FinalLineBreak() const {
    return (m_text.empty() || m_text.back() == '\n') ? std::string_view() : std::string_view(m_eol);
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key,
                                                  KeyMatch match) const {
    const std::optional<Line> line = FindLine(section, key, match);
    if (!line) return std::nullopt;
    return line->value;
}

std::vector<std::pair<std::string_view, std::string_view>> IniDocument::Keys(std::string_view section,
                                                                             KeyMatch match) const {
    std::vector<std::pair<std::string_view, std::string_view>> keys;
    Scan(section, [&](const Line& line, bool inSection) {
        const auto sameName = [&](const auto& entry) { return SameKey(entry.first, line.name, match); };
        if (inSection && line.kind == Kind::Key && std::none_of(keys.begin(), keys.end(), sameName)) {
            keys.emplace_back(line.name, line.value);
        }
        return true;
    });
    return keys;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view valueText, KeyMatch match) {
    section = Trim(section);
    key = Trim(key);
    std::string result;

    if (const std::optional<Line> line = FindLine(section, key, match)) {
        if (line->value == valueText) return false;
        // Keep the line's indent and the key as the file spells it; replace the rest.
        result.reserve(m_text.size() + valueText.size());
        result.append(m_text, 0, line->begin + line->indent);
        result.append(line->name);
        result += '=';
        result.append(valueText);
        result.append(m_text, line->begin + line->length, npos);
        m_text = std::move(result);
        return true;
    }

    std::string added;
    added.append(key);
    added += '=';
    added.append(valueText);
    added += m_eol;

    // The new key goes after the last key line of the first section of that name (or right
    // after its header), so that comments and blank lines leading into the next section stay
    // with it.
    std::optional<Line> anchor;
    bool pastFirst = false;
    Scan(section, [&](const Line& line, bool inSection) {
        if (line.kind == Kind::Header) {
            if (anchor) pastFirst = true;
            if (inSection && !anchor) anchor = line;
            return !pastFirst;
        }
        if (inSection && anchor && line.kind == Kind::Key) anchor = line;
        return true;
    });

    if (anchor) {
        result.reserve(m_text.size() + added.size() + 2);
        result.append(m_text, 0, anchor->end);
        if (!anchor->terminated()) result += m_eol;
        result += added;
        result.append(m_text, anchor->end, npos);
    } else {
        result = m_text;
        result += FinalLineBreak();
        result += '[';
        result.append(section);
        result += ']';
        result += m_eol;
        result += added;
    }
    m_text = std::move(result);
    return true;
}

bool IniDocument::ReplaceKeys(std::string_view section,
                              const std::vector<std::pair<std::string, std::string>>& keys) {
    section = Trim(section);
    std::string block;
    for (const auto& [name, value] : keys) {
        block.append(Trim(name));
        block += '=';
        block += value;
        block += m_eol;
    }

    // The new keys go where the first section's first key line was, or right after its header;
    // every key line of every section of that name goes.
    std::optional<Line> header;
    std::optional<Line> firstKey;
    Scan(section, [&](const Line& line, bool inSection) {
        if (line.kind == Kind::Header) {
            if (header) return false;
            if (inSection) header = line;
        } else if (header && line.kind == Kind::Key) {
            firstKey = line;
            return false;
        }
        return true;
    });

    std::string result;
    if (!header) {
        if (keys.empty()) return false;
        result = m_text;
        result += FinalLineBreak();
        result += '[';
        result.append(section);
        result += ']';
        result += m_eol;
        result += block;
    } else {
        result.reserve(m_text.size() + block.size() + 2);
        Scan(section, [&](const Line& line, bool inSection) {
            if (firstKey && line.begin == firstKey->begin) result += block;
            if (inSection && line.kind == Kind::Key) return true;
            result.append(m_text, line.begin, line.end - line.begin);
            if (!firstKey && line.begin == header->begin) {
                if (!line.terminated() && !keys.empty()) result += m_eol;
                result += block;
            }
            return true;
        });
    }

    if (result == m_text) return false;
    m_text = std::move(result);
    return true;
}

}  // namespace quarrow
