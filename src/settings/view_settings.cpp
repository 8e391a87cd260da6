#include "settings/view_settings.h"

#include "settings/profile.h"

namespace quarrow {

namespace keys = setting_keys;
namespace defaults = setting_defaults;

void ViewSettings::Load(const Profile& profile) {
    m_strEditorPath = profile.ReadString(keys::kEditor, keys::kEditorPath, defaults::kEditorPath);
    m_strEditorFormat = profile.ReadString(keys::kEditor, keys::kEditorFormat, defaults::kEditorFormat);
    m_strCtagsPath = profile.ReadString(keys::kTags, keys::kCtagsPath, defaults::kCtagsPath);
    m_strCtagsParam = profile.ReadString(keys::kTags, keys::kParam, defaults::kParam);
    m_nRestartRead = profile.ReadInt(keys::kSystem, keys::kRestartRead, defaults::kRestartRead);
    m_nSingleSelect = profile.ReadInt(keys::kSystem, keys::kSingleSelect, defaults::kSingleSelect);
    m_nTipMessage = profile.ReadInt(keys::kSystem, keys::kTipMessage, defaults::kTipMessage);
    m_nMainMenu = profile.ReadInt(keys::kSystem, keys::kMainMenu, defaults::kMainMenu);
    m_nMultiView = profile.ReadInt(keys::kSystem, keys::kMultiView, defaults::kMultiView);
    m_nLangIcons = profile.ReadInt(keys::kView, keys::kLangIcons, defaults::kLangIcons);
    m_nNestScope = profile.ReadInt(keys::kView, keys::kNestScope, defaults::kNestScope);
    m_nRefind = profile.ReadInt(keys::kEditor, keys::kRefind, defaults::kRefind);
}

void ViewSettings::Save(Profile& profile) const {
    profile.WriteString(keys::kEditor, keys::kEditorPath, m_strEditorPath);
    profile.WriteString(keys::kEditor, keys::kEditorFormat, m_strEditorFormat);
    profile.WriteString(keys::kTags, keys::kCtagsPath, m_strCtagsPath);
    profile.WriteInt(keys::kSystem, keys::kRestartRead, m_nRestartRead);
    profile.WriteInt(keys::kSystem, keys::kSingleSelect, m_nSingleSelect);
    profile.WriteInt(keys::kSystem, keys::kTipMessage, m_nTipMessage);
    profile.WriteInt(keys::kSystem, keys::kMainMenu, m_nMainMenu);
    profile.WriteInt(keys::kSystem, keys::kMultiView, m_nMultiView);
    profile.WriteString(keys::kTags, keys::kParam, m_strCtagsParam);
    // A key that is missing reads as the default; a sentinel below any flag tells it apart.
    constexpr int kMissing = -2147483647 - 1;
    auto writeOption = [&profile](std::string_view section, std::string_view key, int value, int fallback) {
        if (value != fallback || profile.ReadInt(section, key, kMissing) != kMissing) {
            profile.WriteInt(section, key, value);
        }
    };
    writeOption(keys::kView, keys::kLangIcons, m_nLangIcons, defaults::kLangIcons);
    writeOption(keys::kView, keys::kNestScope, m_nNestScope, defaults::kNestScope);
    writeOption(keys::kEditor, keys::kRefind, m_nRefind, defaults::kRefind);
}

}  // namespace quarrow
