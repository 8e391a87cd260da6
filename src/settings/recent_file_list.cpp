#include "settings/recent_file_list.h"

#include <algorithm>
#include <utility>

#include "platform/path_rules.h"
#include "settings/ini_document.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"

namespace quarrow {

namespace {

// The entry number of a key "File<n>" (any case, no leading zero), or 0.
long EntryNumber(std::string_view key) {
    constexpr std::string_view prefix = "File";
    if (key.size() <= prefix.size() || !IniDocument::EqualNoCase(key.substr(0, prefix.size()), prefix)) return 0;
    const std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 9 || digits.front() == '0') return 0;
    long number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

// Characters of UTF-8 text: every byte but the continuation bytes starts one.
std::size_t CharCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

RecentFileList::RecentFileList(int capacity) : m_nCapacity(std::max(capacity, 0)) {}

std::vector<std::string> RecentFileList::EntriesOf(std::vector<std::pair<std::string, std::string>> keys) const {
    // The numbered keys in order: a huge capacity costs nothing.
    std::vector<std::pair<long, std::string>> numbered;
    for (auto& [key, value] : keys) {
        const long number = EntryNumber(key);
        if (number >= 1 && number <= m_nCapacity && !value.empty()) numbered.emplace_back(number, std::move(value));
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> entries;
    for (auto& entry : numbered) {
        if (std::find(entries.begin(), entries.end(), entry.second) == entries.end()) {
            entries.push_back(std::move(entry.second));
        }
    }
    return entries;
}

void RecentFileList::Read(const Profile& profile) {
    m_entries.clear();
    m_opened.clear();
    m_removed.clear();
    if (m_nCapacity == 0) return;
    m_entries = EntriesOf(profile.ReadSection(setting_keys::kRecentFileList));
}

void RecentFileList::Write(Profile& profile) const {
    if (m_nCapacity == 0) return;
    profile.RewriteSection(setting_keys::kRecentFileList, [this](Profile::SectionKeys fileKeys) {
        std::vector<std::string> merged;
        for (const std::string& entry : m_entries) {
            if (m_opened.contains(entry)) merged.push_back(entry);
        }
        for (std::string& entry : EntriesOf(std::move(fileKeys))) {
            if (merged.size() >= static_cast<std::size_t>(m_nCapacity)) break;
            if (!m_removed.contains(entry) && std::find(merged.begin(), merged.end(), entry) == merged.end()) {
                merged.push_back(std::move(entry));
            }
        }
        Profile::SectionKeys keys;
        keys.reserve(merged.size());
        for (std::size_t i = 0; i < merged.size(); ++i) {
            keys.emplace_back(setting_keys::RecentFileKey(static_cast<int>(i + 1)), std::move(merged[i]));
        }
        return keys;
    });
}

void RecentFileList::Add(std::string path) {
    if (path.empty() || m_nCapacity == 0) return;
    std::erase_if(m_entries, [&path](const std::string& entry) { return entry == path; });
    m_removed.erase(path);
    m_opened.insert(path);
    m_entries.insert(m_entries.begin(), std::move(path));
    if (m_entries.size() > static_cast<std::size_t>(m_nCapacity)) m_entries.resize(static_cast<std::size_t>(m_nCapacity));
}

void RecentFileList::Remove(std::string_view path) {
    std::erase_if(m_entries, [path](const std::string& entry) { return entry == path; });
    m_opened.erase(std::string(path));
    m_removed.emplace(path);
}

std::string RecentFileList::DisplayName(std::string_view path, std::size_t maxLength) {
    if (CharCount(path) <= maxLength) return std::string(path);

    constexpr char sep = path_rules::kSeparator;
    const std::size_t lastSep = path.rfind(sep);
    if (lastSep == std::string_view::npos) return std::string(path);
    const std::string_view name = path.substr(lastSep + 1);

    const bool absolute = path_rules::IsAbsolute(path);
    const std::string ellipsis = absolute ? std::string(1, sep) + "..." : std::string("...");
    if (CharCount(ellipsis) + 1 + CharCount(name) > maxLength) return std::string(name);

    // Drop folders from the left until the rest fits; the last candidate is "/name", which fits.
    std::size_t cut = path.find(sep, absolute ? 1 : 0);
    while (CharCount(ellipsis) + CharCount(path.substr(cut)) > maxLength) cut = path.find(sep, cut + 1);
    return ellipsis + std::string(path.substr(cut));
}

}  // namespace quarrow
