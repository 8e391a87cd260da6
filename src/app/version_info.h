#pragma once
// The version information the program carries: its internal name, product version and copyright
// line, embedded by the build. The About box shows them.

#include <string>
#include <string_view>

namespace quarrow {

struct VersionInfo {
    std::string m_strInternalName;
    std::string m_strProductVersion;  // "0, 2, 1, 3"
    std::string m_strLegalCopyright;

    bool operator==(const VersionInfo&) const = default;
};

// The values of this build.
VersionInfo BuiltInVersionInfo();

// The About box's first line: the internal name, " V" and the product version
// ("Quarrow V0, 2, 1, 3"). A missing value counts as empty text.
std::string FormatNameVersion(const VersionInfo& info);

// What "--version" prints: the program's name and the version in dots on one line, the copyright
// line below ("quarrow-tree 0.2.1.3\nCopyright ...\n").
std::string CommandLineVersionText(std::string_view program);

}  // namespace quarrow
