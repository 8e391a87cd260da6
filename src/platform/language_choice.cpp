#include "platform/language_choice.h"

#include <cstdlib>

namespace quarrow {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

UiLanguage ChooseUiLanguage(std::string_view profileValue, std::string_view messagesLocale) {
    const std::string_view chosen = Trim(profileValue);
    if (EqualsIgnoringCase(chosen, "ja")) {
        return UiLanguage::Japanese;
    }
    if (EqualsIgnoringCase(chosen, "en")) {
        return UiLanguage::English;
    }
    // language[_territory][.codeset][@modifier]
    const std::string_view language = messagesLocale.substr(0, messagesLocale.find_first_of("_.@"));
    if (language.empty() || language == "C" || language == "POSIX" || language == "ja") {
        return UiLanguage::Japanese;
    }
    return UiLanguage::English;
}

std::string MessagesLocaleName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

std::string_view UiLanguageCode(UiLanguage language) { return language == UiLanguage::English ? "en" : "ja"; }

}  // namespace quarrow
