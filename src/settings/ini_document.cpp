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

IniDocument::IniDocument(std::string text) : m_text(std::move(text)) { Parse(); }

std::string_view IniDocument::Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IniDocument::EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IniDocument::IsWritableSection(std::string_view section) {
    return !Trim(section).empty() && !HasLineBreak(section);
}

bool IniDocument::IsWritableKey(std::string_view key) {
    const std::string_view name = Trim(key);
    return !name.empty() && !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
           name.front() != '[' && name.front() != ';';
}

void IniDocument::Parse() {
    m_lines.clear();
    m_eol = "\n";
    bool eolKnown = false;
    const std::string_view text(m_text);
    std::size_t pos = 0;
    while (pos < text.size()) {
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
            if (!eolKnown) {
                m_eol = (line.begin + line.length < lf) ? "\r\n" : "\n";
                eolKnown = true;
            }
        }
        pos = line.end;

        const std::string_view content = text.substr(line.begin, line.length);
        std::size_t first = 0;
        while (first < content.size() && IsBlank(content[first])) ++first;
        if (first < content.size()) {
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
        }
        m_lines.push_back(line);
    }
}

std::size_t IniDocument::FindLine(std::string_view section, std::string_view key) const {
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Header) {
            inSection = EqualNoCase(line.name, section);
        } else if (inSection && line.kind == Kind::Key && EqualNoCase(line.name, key)) {
            return i;
        }
    }
    return npos;
}

std::size_t IniDocument::FirstHeader(std::string_view section) const {
    section = Trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Header && EqualNoCase(m_lines[i].name, section)) return i;
    }
    return npos;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    const std::size_t index = FindLine(section, key);
    if (index == npos) return std::nullopt;
    return m_lines[index].value;
}

std::vector<std::pair<std::string_view, std::string_view>> IniDocument::Keys(std::string_view section) const {
    section = Trim(section);
    std::vector<std::pair<std::string_view, std::string_view>> keys;
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Header) {
            inSection = EqualNoCase(line.name, section);
        } else if (inSection && line.kind == Kind::Key) {
            const bool seen = std::any_of(keys.begin(), keys.end(),
                                          [&](const auto& entry) { return EqualNoCase(entry.first, line.name); });
            if (!seen) keys.emplace_back(line.name, line.value);
        }
    }
    return keys;
}

std::string IniDocument::LineBreakAfter(std::size_t index) const {
    const Line& line = m_lines[index];
    return line.begin + line.length == line.end ? m_eol : std::string();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view valueText) {
    section = Trim(section);
    key = Trim(key);
    std::string result;

    const std::size_t index = FindLine(section, key);
    if (index != npos) {
        const Line& line = m_lines[index];
        if (line.value == valueText) return false;
        // Keep the line's indent and the key as the file spells it; replace the rest.
        const std::size_t contentEnd = line.begin + line.length;
        result.reserve(m_text.size() + valueText.size());
        result.append(m_text, 0, line.begin + line.indent);
        result.append(line.name);
        result += '=';
        result.append(valueText);
        result.append(m_text, contentEnd, npos);
    } else {
        std::string added;
        added.append(key);
        added += '=';
        added.append(valueText);
        added += m_eol;

        const std::size_t header = FirstHeader(section);
        if (header != npos) {
            // After the section's last key line, so that comments and blank lines that lead
            // into the next section stay with it.
            std::size_t anchor = header;
            for (std::size_t i = header + 1; i < m_lines.size() && m_lines[i].kind != Kind::Header; ++i) {
                if (m_lines[i].kind == Kind::Key) anchor = i;
            }
            const std::size_t at = m_lines[anchor].end;
            result.reserve(m_text.size() + added.size() + 2);
            result.append(m_text, 0, at);
            result += LineBreakAfter(anchor);
            result += added;
            result.append(m_text, at, npos);
        } else {
            result = m_text;
            if (!m_lines.empty()) result += LineBreakAfter(m_lines.size() - 1);
            result += '[';
            result.append(section);
            result += ']';
            result += m_eol;
            result += added;
        }
    }
    m_text = std::move(result);
    Parse();
    return true;
}

bool IniDocument::ReplaceKeys(std::string_view section,
                              const std::vector<std::pair<std::string, std::string>>& keys) {
    section = Trim(section);
    const std::size_t header = FirstHeader(section);

    std::string block;
    for (const auto& [name, value] : keys) {
        block.append(Trim(name));
        block += '=';
        block += value;
        block += m_eol;
    }

    if (header == npos) {
        if (keys.empty()) return false;
        std::string result = m_text;
        if (!m_lines.empty()) result += LineBreakAfter(m_lines.size() - 1);
        result += '[';
        result.append(section);
        result += ']';
        result += m_eol;
        result += block;
        m_text = std::move(result);
        Parse();
        return true;
    }

    // The new keys go where the first section's first key line was, or right after its header.
    std::size_t insertBefore = header + 1;
    for (std::size_t i = header + 1; i < m_lines.size() && m_lines[i].kind != Kind::Header; ++i) {
        if (m_lines[i].kind == Kind::Key) {
            insertBefore = i;
            break;
        }
    }

    std::string result;
    result.reserve(m_text.size() + block.size() + 2);
    bool inSection = false;
    bool inserted = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (i == insertBefore) {
            result += block;
            inserted = true;
        }
        if (line.kind == Kind::Header) inSection = EqualNoCase(line.name, section);
        if (inSection && line.kind == Kind::Key) continue;
        result.append(m_text, line.begin, line.end - line.begin);
        if (i == header && !keys.empty() && line.begin + line.length == line.end) result += m_eol;
    }
    if (!inserted) result += block;

    if (result == m_text) return false;
    m_text = std::move(result);
    Parse();
    return true;
}

}  // namespace quarrow
