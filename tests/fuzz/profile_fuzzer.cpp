// The settings profile: an INI text as it may lie on disk, edited in memory and through the
// profile file, and read back. The input gives a section, a key, a value and a short key list
// first, then the file text (see FuzzedDataProvider).
//
// Checks, for the in-memory document and again for the file: a key that was written reads back
// as it was written; replacing a section's keys leaves exactly those keys; no other section's
// keys change; the text of a document that nothing changed stays byte for byte.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "settings/ini_document.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "support/scratch_folder.h"

namespace {

using quarrow::IniDocument;
using quarrow::Profile;
using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lower;
}

bool SameSection(std::string_view a, std::string_view b) {
    return IniDocument::EqualNoCase(IniDocument::Trim(a), IniDocument::Trim(b));
}

bool IsWritableValue(std::string_view value) { return value.find_first_of("\r\n") == std::string_view::npos; }

// Section names to compare before and after an edit: the edited one and whatever looks like a
// header in the text. A loose guess is enough, the comparison goes through the public reads.
std::vector<std::string> ProbeSections(std::string_view text, std::string_view edited) {
    std::vector<std::string> probes{std::string(edited), "a", ""};
    for (std::size_t pos = 0; pos < text.size() && probes.size() < 12;) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(pos, end - pos);
        const std::size_t open = line.find('[');
        const std::size_t close = line.rfind(']');
        if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
            probes.emplace_back(IniDocument::Trim(line.substr(open + 1, close - open - 1)));
        }
        pos = end + 1;
    }
    return probes;
}

// A section's keys by lower-case name, as IniDocument::Keys gives them.
std::map<std::string, std::string> KeyMap(const IniDocument& document, std::string_view section) {
    std::map<std::string, std::string> keys;
    for (const auto& [name, value] : document.Keys(section)) {
        keys.emplace(Lower(name), std::string(value));
    }
    return keys;
}

// The keys that replacing a section with `pairs` leaves: names trimmed, the first of equal names
// (exactly equal in the sections whose keys are paths).
Pairs FirstOfEachName(const Pairs& pairs, std::string_view section) {
    bool pathKeys = false;
    for (const std::string_view pathKeyed : quarrow::setting_keys::kPathKeyedSections) {
        pathKeys = pathKeys || SameSection(section, pathKeyed);
    }
    Pairs result;
    for (const auto& [name, value] : pairs) {
        const std::string_view trimmed = IniDocument::Trim(name);
        bool seen = false;
        for (const auto& kept : result) {
            seen = seen || (pathKeys ? kept.first == trimmed : IniDocument::EqualNoCase(kept.first, trimmed));
        }
        if (!seen) {
            result.emplace_back(std::string(trimmed), value);
        }
    }
    return result;
}

void CheckDocument(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value, const Pairs& pairs, const std::vector<std::string>& probes) {
    IniDocument document(text);
    FUZZ_CHECK(document.Text() == text);
    std::vector<std::map<std::string, std::string>> before;
    for (const std::string& probe : probes) {
        before.push_back(KeyMap(document, probe));
    }

    // Set writes the value text as it stands; the document reads values trimmed.
    const bool changed = document.Set(section, key, value);
    const std::string_view trimmedValue = IniDocument::Trim(value);
    FUZZ_CHECK(document.Find(section, key) == std::optional<std::string_view>(trimmedValue));
    if (!changed) {
        FUZZ_CHECK(document.Text() == text);
    }
    for (std::size_t i = 0; i < probes.size(); ++i) {
        std::map<std::string, std::string> expected = before[i];
        if (SameSection(probes[i], section)) {
            expected[Lower(IniDocument::Trim(key))] = std::string(trimmedValue);
        }
        FUZZ_CHECK(KeyMap(document, probes[i]) == expected);
    }

    const std::string beforeReplace = document.Text();
    before.clear();
    for (const std::string& probe : probes) {
        before.push_back(KeyMap(document, probe));
    }
    if (!document.ReplaceKeys(section, pairs)) {
        FUZZ_CHECK(document.Text() == beforeReplace);
    }
    Pairs expectedKeys = FirstOfEachName(pairs, "");
    for (auto& [name, val] : expectedKeys) {
        val = std::string(IniDocument::Trim(val));
    }
    const auto keys = document.Keys(section);
    FUZZ_CHECK(keys.size() == expectedKeys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        FUZZ_CHECK(IniDocument::EqualNoCase(keys[i].first, expectedKeys[i].first));
        FUZZ_CHECK(keys[i].second == expectedKeys[i].second);
    }
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (!SameSection(probes[i], section)) {
            FUZZ_CHECK(KeyMap(document, probes[i]) == before[i]);
        }
    }
}

// The same through the profile file: values of any form (blanks, quotes) read back exactly.
void CheckProfile(const std::string& text, const std::string& section, const std::string& key,
                  const std::string& value, const Pairs& pairs, const std::vector<std::string>& probes) {
    Profile profile(quarrow::test::ProcessScratchFolder().Write("fuzz.ini", text));
    std::vector<Pairs> before;
    for (const std::string& probe : probes) {
        before.push_back(profile.ReadSection(probe));
    }
    (void)profile.ReadInt(section, key, 7);

    FUZZ_CHECK(profile.WriteString(section, key, value));
    FUZZ_CHECK(profile.ReadString(section, key, "\n") == value);
    FUZZ_CHECK(profile.WriteSection(section, pairs));
    FUZZ_CHECK(profile.ReadSection(section) == FirstOfEachName(pairs, section));
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (!SameSection(probes[i], section)) {
            FUZZ_CHECK(profile.ReadSection(probes[i]) == before[i]);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(48);
    Pairs pairs(input.ConsumeIntegralInRange<std::size_t>(0, 4));
    for (auto& [name, val] : pairs) {
        name = input.ConsumeRandomLengthString(16);
        val = input.ConsumeRandomLengthString(16);
    }
    const std::string text = input.ConsumeRemainingBytesAsString();

    // Only names and values that a line can hold are written; the refusal of others is a unit test.
    if (!IniDocument::IsWritableSection(section) || !IniDocument::IsWritableKey(key) || !IsWritableValue(value)) {
        return 0;
    }
    for (const auto& [name, val] : pairs) {
        if (!IniDocument::IsWritableKey(name) || !IsWritableValue(val)) {
            return 0;
        }
    }
    const std::vector<std::string> probes = ProbeSections(text, section);
    CheckDocument(text, section, key, value, pairs, probes);
    CheckProfile(text, section, key, value, pairs, probes);
    return 0;
}
