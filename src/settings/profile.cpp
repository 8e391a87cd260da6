#include "settings/profile.h"

namespace quarrow {

Profile::Profile(std::string path) : m_strPath(std::move(path)) {}

std::string Profile::ReadString(std::string_view, std::string_view, std::string_view defaultValue) const {
    return std::string(defaultValue);
}

int Profile::ReadInt(std::string_view, std::string_view, int defaultValue) const { return defaultValue; }

bool Profile::WriteString(std::string_view, std::string_view, std::string_view) { return false; }

bool Profile::WriteInt(std::string_view, std::string_view, int) { return false; }

}  // namespace quarrow
