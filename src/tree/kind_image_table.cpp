#include "tree/kind_image_table.h"

#include "tree/tree_images.h"

namespace quarrow {

static_assert(kImageCount <= 0xFF, "an image fits the table's byte");

KindImageTable::KindImageTable() {
    for (std::size_t language = 0; language < kLanguages; ++language) {
        for (std::size_t letter = 0; letter < kLetters; ++letter) {
            const char kind = static_cast<char>(letter);
            for (std::size_t access = 0; access < kAccessClasses; ++access) {
                m_images[Place(static_cast<TagLanguage>(language), letter, access)] =
                    static_cast<std::uint8_t>(LanguageImageOf(static_cast<TagLanguage>(language),
                                                              std::string_view(&kind, 1), kAccessWords[access]));
            }
        }
    }
}

const KindImageTable& KindImageTable::Get() {
    static const KindImageTable table;
    return table;
}

}  // namespace quarrow
