#include "settings/view_settings.h"

#include "platform/program_files.h"
#include "settings/editor_presets.h"
#include "settings/profile.h"

namespace quarrow {

namespace keys = setting_keys;
namespace defaults = setting_defaults;

namespace {

// No stored value can hold a line break, so this default tells a missing key apart.
constexpr std::string_view kNoValue = "\n";

}  // namespace

void ViewSettings::LoadEditor(const Profile& profile) {
    m_strEditorPath = profile.ReadString(keys::kEditor, keys::kEditorPath, kNoValue);
    m_strEditorFormat = profile.ReadString(keys::kEditor, keys::kEditorFormat, kNoValue);
    if (m_strEditorPath == kNoValue) {
        // A first start: the first known editor installed here, with its template unless one is
        // stored; without any, the fixed default. A stored editor is never replaced.
        const EditorLaunch* found = program_files::kFirstStartFindsAnEditor ? FirstInstalledEditor() : nullptr;
        m_strEditorPath = found ? found->program : defaults::kEditorPath;
        if (m_strEditorFormat == kNoValue) {
            m_strEditorFormat = found ? found->format : defaults::kEditorFormat;
        }
    } else if (m_strEditorFormat == kNoValue) {
        m_strEditorFormat = defaults::kEditorFormat;
    }
}

void ViewSettings::Load(const Profile& profile) {
    LoadEditor(profile);
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

void ViewSettings::Save(Profile& profile, const ViewSettings& atStart) const {
    const ViewSettings& was = atStart;
    // A missing editor key read as what the session started with (a first start's editor is
    // found on this system, not fixed), so that editor is kept.
    profile.WriteBackString(keys::kEditor, keys::kEditorPath, m_strEditorPath, was.m_strEditorPath,
                            was.m_strEditorPath);
    profile.WriteBackString(keys::kEditor, keys::kEditorFormat, m_strEditorFormat, was.m_strEditorFormat,
                            was.m_strEditorFormat);
    profile.WriteBackString(keys::kTags, keys::kCtagsPath, m_strCtagsPath, was.m_strCtagsPath, defaults::kCtagsPath);
    profile.WriteBackInt(keys::kSystem, keys::kRestartRead, m_nRestartRead, was.m_nRestartRead, defaults::kRestartRead);
    profile.WriteBackInt(keys::kSystem, keys::kSingleSelect, m_nSingleSelect, was.m_nSingleSelect,
                         defaults::kSingleSelect);
    profile.WriteBackInt(keys::kSystem, keys::kTipMessage, m_nTipMessage, was.m_nTipMessage, defaults::kTipMessage);
    profile.WriteBackInt(keys::kSystem, keys::kMainMenu, m_nMainMenu, was.m_nMainMenu, defaults::kMainMenu);
    profile.WriteBackInt(keys::kSystem, keys::kMultiView, m_nMultiView, was.m_nMultiView, defaults::kMultiView);
    profile.WriteBackString(keys::kTags, keys::kParam, m_strCtagsParam, was.m_strCtagsParam, defaults::kParam);
    // A key that is missing reads as the default; a sentinel below any flag tells it apart.
    constexpr int kMissing = -2147483647 - 1;
    auto writeOption = [&profile](std::string_view section, std::string_view key, int value, int valueAtStart,
                                  int fallback) {
        if (value != fallback || profile.ReadInt(section, key, kMissing) != kMissing) {
            profile.WriteBackInt(section, key, value, valueAtStart, fallback);
        }
    };
    writeOption(keys::kView, keys::kLangIcons, m_nLangIcons, was.m_nLangIcons, defaults::kLangIcons);
    writeOption(keys::kView, keys::kNestScope, m_nNestScope, was.m_nNestScope, defaults::kNestScope);
    writeOption(keys::kEditor, keys::kRefind, m_nRefind, was.m_nRefind, defaults::kRefind);
}

}  // namespace quarrow
