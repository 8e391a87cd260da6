#include "tree/language_of.h"

#include <array>
#include <utility>

#include "tree/tag_tree_builder.h"

namespace quarrow {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        x = x >= 'A' && x <= 'Z' ? static_cast<char>(x - 'A' + 'a') : x;
        y = y >= 'A' && y <= 'Z' ? static_cast<char>(y - 'A' + 'a') : y;
        if (x != y) {
            return false;
        }
    }
    return true;
}

using Entry = std::pair<std::string_view, TagLanguage>;

constexpr std::array kNames = {
    Entry{"Java", TagLanguage::Java},         Entry{"C", TagLanguage::C},
    Entry{"C++", TagLanguage::Cpp},           Entry{"C#", TagLanguage::CSharp},
    Entry{"Python", TagLanguage::Python},     Entry{"Go", TagLanguage::Go},
    Entry{"Rust", TagLanguage::Rust},         Entry{"JavaScript", TagLanguage::JavaScript},
    Entry{"TypeScript", TagLanguage::TypeScript}, Entry{"PHP", TagLanguage::Php},
    Entry{"Ruby", TagLanguage::Ruby},         Entry{"Sh", TagLanguage::Shell},
    Entry{"Make", TagLanguage::Make},
};

// Extensions compare exactly: ".C" and ".H" are C++ while ".c" is C, as ctags maps them.
constexpr std::array kExtensions = {
    Entry{"java", TagLanguage::Java},
    Entry{"c", TagLanguage::C},
    Entry{"c++", TagLanguage::Cpp},   Entry{"cc", TagLanguage::Cpp},   Entry{"cp", TagLanguage::Cpp},
    Entry{"cpp", TagLanguage::Cpp},   Entry{"cxx", TagLanguage::Cpp},  Entry{"h", TagLanguage::Cpp},
    Entry{"h++", TagLanguage::Cpp},   Entry{"hh", TagLanguage::Cpp},   Entry{"hp", TagLanguage::Cpp},
    Entry{"hpp", TagLanguage::Cpp},   Entry{"hxx", TagLanguage::Cpp},  Entry{"inl", TagLanguage::Cpp},
    Entry{"C", TagLanguage::Cpp},     Entry{"H", TagLanguage::Cpp},    Entry{"CPP", TagLanguage::Cpp},
    Entry{"CXX", TagLanguage::Cpp},
    Entry{"cs", TagLanguage::CSharp},
    Entry{"py", TagLanguage::Python}, Entry{"pyx", TagLanguage::Python}, Entry{"pxd", TagLanguage::Python},
    Entry{"pxi", TagLanguage::Python}, Entry{"scons", TagLanguage::Python}, Entry{"wsgi", TagLanguage::Python},
    Entry{"go", TagLanguage::Go},
    Entry{"rs", TagLanguage::Rust},
    Entry{"js", TagLanguage::JavaScript}, Entry{"jsx", TagLanguage::JavaScript}, Entry{"mjs", TagLanguage::JavaScript},
    Entry{"ts", TagLanguage::TypeScript},
    Entry{"php", TagLanguage::Php},   Entry{"php3", TagLanguage::Php}, Entry{"php4", TagLanguage::Php},
    Entry{"php5", TagLanguage::Php},  Entry{"php7", TagLanguage::Php}, Entry{"phtml", TagLanguage::Php},
    Entry{"rb", TagLanguage::Ruby},   Entry{"ruby", TagLanguage::Ruby},
    Entry{"sh", TagLanguage::Shell},  Entry{"SH", TagLanguage::Shell}, Entry{"bsh", TagLanguage::Shell},
    Entry{"bash", TagLanguage::Shell}, Entry{"ksh", TagLanguage::Shell}, Entry{"zsh", TagLanguage::Shell},
    Entry{"ash", TagLanguage::Shell},
    Entry{"mak", TagLanguage::Make},  Entry{"mk", TagLanguage::Make},
};

}  // namespace

TagLanguage LanguageFromName(std::string_view name) noexcept {
    for (const Entry& entry : kNames) {
        if (EqualsIgnoringCase(entry.first, name)) {
            return entry.second;
        }
    }
    return TagLanguage::Unknown;
}

TagLanguage LanguageFromFile(std::string_view path) noexcept {
    const std::string_view name = FileNameOf(path);
    if (name == "Makefile" || name == "makefile" || name == "GNUmakefile") {
        return TagLanguage::Make;
    }
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return TagLanguage::Unknown;
    }
    const std::string_view extension = name.substr(dot + 1);
    for (const Entry& entry : kExtensions) {
        if (entry.first == extension) {
            return entry.second;
        }
    }
    return TagLanguage::Unknown;
}

}  // namespace quarrow
