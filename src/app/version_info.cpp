#include "app/version_info.h"

// The build passes the values in (see app/CMakeLists.txt), so that the version is written
// in one place, the project's version.
#ifndef QUARROW_INTERNAL_NAME
#error "QUARROW_INTERNAL_NAME must be defined by the build"
#endif
#ifndef QUARROW_PRODUCT_VERSION
#error "QUARROW_PRODUCT_VERSION must be defined by the build"
#endif
#ifndef QUARROW_LEGAL_COPYRIGHT
#error "QUARROW_LEGAL_COPYRIGHT must be defined by the build"
#endif

namespace quarrow {

VersionInfo BuiltInVersionInfo() {
    return VersionInfo{QUARROW_INTERNAL_NAME, QUARROW_PRODUCT_VERSION, QUARROW_LEGAL_COPYRIGHT};
}

std::string FormatNameVersion(const VersionInfo& info) {
    return info.m_strInternalName + " V" + info.m_strProductVersion;
}

std::string CommandLineVersionText(std::string_view program) {
    const VersionInfo info = BuiltInVersionInfo();
    std::string dotted;
    for (const char c : info.m_strProductVersion) {
        if (c == ',') {
            dotted += '.';
        } else if (c != ' ') {
            dotted += c;
        }
    }
    return std::string(program) + " " + dotted + "\n" + info.m_strLegalCopyright + "\n";
}

}  // namespace quarrow
