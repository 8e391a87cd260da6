#include "platform/language_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace quarrow {
namespace {

struct LanguageCase {
    const char* profile;
    const char* locale;
    UiLanguage expected;
};

TEST(UiLanguageTest, ProfileOverridesTheLocaleWhichDecidesOtherwise) {
    const LanguageCase cases[] = {
        // The locale alone.
        {"", "ja_JP.UTF-8", UiLanguage::Japanese},
        {"", "ja_JP.SJIS", UiLanguage::Japanese},
        {"", "ja", UiLanguage::Japanese},
        {"", "C", UiLanguage::Japanese},
        {"", "C.UTF-8", UiLanguage::Japanese},
        {"", "POSIX", UiLanguage::Japanese},
        {"", "", UiLanguage::Japanese},
        {"", "en_US.UTF-8", UiLanguage::English},
        {"", "de_DE@euro", UiLanguage::English},
        {"", "jam_JM", UiLanguage::English},  // another language that begins with "ja"
        // The profile's "UILANGUAGE" wins, whatever its case and blanks.
        {"en", "ja_JP.UTF-8", UiLanguage::English},
        {" EN ", "C", UiLanguage::English},
        {"ja", "fr_FR.UTF-8", UiLanguage::Japanese},
        {"Ja", "en_GB", UiLanguage::Japanese},
        // Anything else in the profile leaves it to the locale.
        {"english", "ja_JP.UTF-8", UiLanguage::Japanese},
        {"fr", "en_US", UiLanguage::English},
    };
    for (const LanguageCase& c : cases) {
        EXPECT_EQ(ChooseUiLanguage(c.profile, c.locale), c.expected)
            << "profile \"" << c.profile << "\", locale \"" << c.locale << "\"";
    }
}

// Sets or clears an environment variable for the length of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UiLanguageTest, MessagesLocaleFollowsThePosixOrder) {
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv messages("LC_MESSAGES", nullptr);
    ScopedEnv lang("LANG", nullptr);
    EXPECT_EQ(MessagesLocaleName(), "");
    ::setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(MessagesLocaleName(), "en_US.UTF-8");
    ::setenv("LC_MESSAGES", "ja_JP.UTF-8", 1);
    EXPECT_EQ(MessagesLocaleName(), "ja_JP.UTF-8");
    ::setenv("LC_ALL", "", 1);  // set but empty counts as unset
    EXPECT_EQ(MessagesLocaleName(), "ja_JP.UTF-8");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(MessagesLocaleName(), "C");
}

}  // namespace
}  // namespace quarrow
