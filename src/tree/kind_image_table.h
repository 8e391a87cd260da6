#pragma once
// LanguageImageOf by a table for what nearly every tag has, a one-letter kind: the image of each
// language, letter and access word is worked out once, and a tag costs one load instead of a
// kind lookup and a comparison of its access word with four others.

#include <array>
#include <cstdint>
#include <string_view>

#include "tree/kind_icons.h"
#include "tree/short_text.h"

namespace quarrow {

class KindImageTable {
public:
    // The table, made on first use.
    static const KindImageTable& Get();

    // The same as LanguageImageOf(language, kind, access).
    int ImageOf(TagLanguage language, std::string_view kind, std::string_view access) const noexcept {
        if (kind.size() != 1 || static_cast<unsigned char>(kind[0]) >= kLetters) {
            return LanguageImageOf(language, kind, access);
        }
        return m_images[Place(language, static_cast<unsigned char>(kind[0]), AccessClass(access))];
    }

private:
    static constexpr std::size_t kLetters = 128;
    static constexpr std::size_t kLanguages = static_cast<std::size_t>(TagLanguage::Make) + 1;
    // The access words the images tell apart: none, any other word (which shows as "default"),
    // "private", "protected", "public".
    static constexpr std::size_t kAccessClasses = 5;
    static constexpr std::array<std::string_view, kAccessClasses> kAccessWords = {"", "default", "private", "protected",
                                                                                  "public"};

    KindImageTable();

    static std::size_t AccessClass(std::string_view access) noexcept {
        switch (access.size()) {
        case 0:
            return 0;
        case 6:
            return SameShortText(access, kAccessWords[4]) ? 4 : 1;
        case 7:
            return SameShortText(access, kAccessWords[2]) ? 2 : 1;
        case 9:
            return SameShortText(access, kAccessWords[3]) ? 3 : 1;
        default:
            return 1;
        }
    }
    static std::size_t Place(TagLanguage language, std::size_t letter, std::size_t access) noexcept {
        return (static_cast<std::size_t>(language) * kLetters + letter) * kAccessClasses + access;
    }

    std::array<std::uint8_t, kLanguages * kLetters * kAccessClasses> m_images{};
};

}  // namespace quarrow
