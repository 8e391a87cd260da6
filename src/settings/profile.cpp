#include "settings/profile.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>

#include "settings/atomic_file.h"
#include "settings/file_lock.h"
#include "settings/ini_document.h"
#include "settings/setting_keys.h"

namespace quarrow {

namespace {

bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool IsQuote(char c) noexcept { return c == '"' || c == '\''; }

bool EnclosedInQuotes(std::string_view text) noexcept {
    return text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
}

// The value a raw (trimmed) file value reads as.
std::string DecodeValue(std::string_view raw) {
    if (EnclosedInQuotes(raw)) raw = raw.substr(1, raw.size() - 2);
    std::size_t length = raw.size();
    if (length > Profile::kMaxValueLength) {
        length = Profile::kMaxValueLength;
        // Back off to the lead byte when the cut falls inside a UTF-8 sequence.
        std::size_t lead = length;
        while (lead > 0 && length - lead < 3 && (static_cast<unsigned char>(raw[lead]) & 0xC0) == 0x80) --lead;
        if (lead < length && static_cast<unsigned char>(raw[lead]) >= 0xC0) length = lead;
    }
    return std::string(raw.substr(0, length));
}

// The file text of a value, quoted only when the reading rules would change it otherwise.
std::string EncodeValue(std::string_view value) {
    const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || EnclosedInQuotes(value));
    std::string text;
    text.reserve(value.size() + 2);
    if (quote) text += '"';
    text.append(value);
    if (quote) text += '"';
    return text;
}

bool IsWritableValue(std::string_view value) noexcept {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

// Parses the integer forms described in profile.h.
int ParseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t magnitude = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude >= limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// An integer as ReadInt reads the decoded value text (none when the key is missing).
int IntOf(const std::optional<std::string>& text, int defaultValue) {
    return (!text || text->empty()) ? defaultValue : ParseInt(*text);
}

KeyMatch KeyMatchFor(std::string_view section) {
    for (const std::string_view pathKeyed : setting_keys::kPathKeyedSections) {
        if (IniDocument::EqualNoCase(IniDocument::Trim(section), pathKeyed)) return KeyMatch::Exact;
    }
    return KeyMatch::AnyCase;
}

std::optional<std::string> FindValue(const IniDocument& document, std::string_view section, std::string_view key) {
    const auto raw = document.Find(section, key, KeyMatchFor(section));
    if (!raw) return std::nullopt;
    return DecodeValue(*raw);
}

Profile::SectionKeys SectionOf(const IniDocument& document, std::string_view section) {
    Profile::SectionKeys keys;
    for (const auto& [name, raw] : document.Keys(section, KeyMatchFor(section))) {
        keys.emplace_back(std::string(name), DecodeValue(raw));
    }
    return keys;
}

std::string ReadText(const std::string& path) {
    std::string bytes;
    if (path.empty() || atomic_file::ReadAll(path, bytes) != atomic_file::ReadStatus::Ok) bytes.clear();
    return bytes;
}

// Read-modify-write of the profile under the writers' lock. `edit` returns whether it changed
// the document; an unchanged document is not written again.
bool UpdateFile(const std::string& path, const std::function<bool(IniDocument&)>& edit) {
    if (path.empty()) return false;
    const std::string target = atomic_file::ResolveLinks(path);
    if (target.empty()) return false;  // a loop of links: no file to write, and no lock file beside it
    const FileLock lock(target + ".lock");
    if (!lock.Held()) return false;

    std::string bytes;
    const atomic_file::ReadStatus status = atomic_file::ReadAll(target, bytes);
    if (status == atomic_file::ReadStatus::Failed) return false;  // never overwrite what we could not read

    IniDocument document(std::move(bytes));
    if (!edit(document)) return true;  // already as asked
    return atomic_file::Replace(target, document.Text());
}

}  // namespace

Profile::Profile(std::string path) : m_strPath(std::move(path)) {}

std::string Profile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    const IniDocument document(ReadText(m_strPath));
    std::optional<std::string> value = FindValue(document, section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int Profile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    const IniDocument document(ReadText(m_strPath));
    return IntOf(FindValue(document, section, key), defaultValue);
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(key) || !IsWritableValue(value)) {
        return false;
    }
    const std::string text = EncodeValue(value);
    return UpdateFile(m_strPath,
                      [&](IniDocument& document) { return document.Set(section, key, text, KeyMatchFor(section)); });
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool Profile::WriteBackString(std::string_view section, std::string_view key, std::string_view value,
                              std::string_view atStart, std::string_view defaultValue) {
    if (value != atStart) return WriteString(section, key, value);
    if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(key) || !IsWritableValue(value)) {
        return false;
    }
    const std::string text = EncodeValue(value);
    return UpdateFile(m_strPath, [&](IniDocument& document) {
        const std::optional<std::string> now = FindValue(document, section, key);
        if ((now ? std::string_view(*now) : defaultValue) != atStart) return false;  // changed elsewhere: kept
        return document.Set(section, key, text, KeyMatchFor(section));
    });
}

bool Profile::WriteBackInt(std::string_view section, std::string_view key, int value, int atStart, int defaultValue) {
    if (value != atStart) return WriteInt(section, key, value);
    if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(key)) return false;
    const std::string text = std::to_string(value);
    return UpdateFile(m_strPath, [&](IniDocument& document) {
        if (IntOf(FindValue(document, section, key), defaultValue) != atStart) return false;  // changed elsewhere
        return document.Set(section, key, text, KeyMatchFor(section));
    });
}

Profile::SectionKeys Profile::ReadSection(std::string_view section) const {
    return SectionOf(IniDocument(ReadText(m_strPath)), section);
}

bool Profile::WriteSection(std::string_view section, const SectionKeys& keys) {
    return RewriteSection(section, [&keys](const SectionKeys&) { return keys; });
}

bool Profile::RewriteSection(std::string_view section, const std::function<SectionKeys(SectionKeys)>& rewrite) {
    if (!IniDocument::IsWritableSection(section)) return false;
    bool writable = true;
    const bool written = UpdateFile(m_strPath, [&](IniDocument& document) {
        const SectionKeys keys = rewrite(SectionOf(document, section));
        SectionKeys encoded;
        encoded.reserve(keys.size());
        for (const auto& [name, value] : keys) {
            if (!IniDocument::IsWritableKey(name) || !IsWritableValue(value)) {
                writable = false;
                return false;
            }
            encoded.emplace_back(name, EncodeValue(value));
        }
        return document.ReplaceKeys(section, encoded);
    });
    return written && writable;
}

}  // namespace quarrow
