#include "settings/profile.h"

#include <climits>
#include <cstdint>
#include <functional>

#include "settings/atomic_file.h"
#include "settings/file_lock.h"
#include "settings/ini_document.h"

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
    const auto raw = document.Find(section, key);
    return raw ? DecodeValue(*raw) : std::string(defaultValue);
}

int Profile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    const std::string text = ReadString(section, key, {});
    return text.empty() ? defaultValue : ParseInt(text);
}

bool Profile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(key) || !IsWritableValue(value)) {
        return false;
    }
    const std::string text = EncodeValue(value);
    return UpdateFile(m_strPath, [&](IniDocument& document) { return document.Set(section, key, text); });
}

bool Profile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

std::vector<std::pair<std::string, std::string>> Profile::ReadSection(std::string_view section) const {
    const IniDocument document(ReadText(m_strPath));
    std::vector<std::pair<std::string, std::string>> keys;
    for (const auto& [name, raw] : document.Keys(section)) keys.emplace_back(std::string(name), DecodeValue(raw));
    return keys;
}

bool Profile::WriteSection(std::string_view section, const std::vector<std::pair<std::string, std::string>>& keys) {
    if (!IniDocument::IsWritableSection(section)) return false;
    std::vector<std::pair<std::string, std::string>> encoded;
    encoded.reserve(keys.size());
    for (const auto& [name, value] : keys) {
        if (!IniDocument::IsWritableKey(name) || !IsWritableValue(value)) return false;
        encoded.emplace_back(name, EncodeValue(value));
    }
    return UpdateFile(m_strPath, [&](IniDocument& document) { return document.ReplaceKeys(section, encoded); });
}

}  // namespace quarrow
