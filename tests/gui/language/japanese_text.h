#pragma once
// Finds Japanese text: kana, kanji, the full-width and half-width forms and Japanese punctuation.

#include <QString>

namespace quarrow::testing {

inline bool HasJapanese(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF01 && u <= 0xFF9F)) {
            return true;
        }
    }
    return false;
}

}  // namespace quarrow::testing
