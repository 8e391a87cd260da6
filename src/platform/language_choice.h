#pragma once
// Which language the window speaks. Its own texts are Japanese; an English translation is
// compiled in. The choice is made once at start-up from the profile and the locale.

#include <string>
#include <string_view>

namespace quarrow {

enum class UiLanguage { Japanese, English };

// "ja" or "en" (any case, blanks around it ignored) in the profile wins. Otherwise the locale
// decides: Japanese when its language is Japanese ("ja", "ja_JP.UTF-8", "ja_JP.SJIS"), and for
// the C and POSIX locales and an unset one, so that the program's own texts stay the default;
// English for every other language.
UiLanguage ChooseUiLanguage(std::string_view profileValue, std::string_view messagesLocale);

// The locale that decides the language of messages, as POSIX orders it: LC_ALL, else
// LC_MESSAGES, else LANG; empty when none of them is set.
std::string MessagesLocaleName();

// "ja" or "en".
std::string_view UiLanguageCode(UiLanguage language);

}  // namespace quarrow
