#pragma once
// The nine settings the tree view carries (editor, ctags and behaviour options), loaded from and
// saved to the profile in a fixed order. The members start at the profile defaults.

#include <string>

#include "settings/setting_keys.h"

namespace quarrow {

class Profile;

struct ViewSettings {
    std::string m_strEditorPath{setting_defaults::kEditorPath};
    std::string m_strEditorFormat{setting_defaults::kEditorFormat};
    std::string m_strCtagsPath{setting_defaults::kCtagsPath};
    int m_nRestartRead = setting_defaults::kRestartRead;
    int m_nSingleSelect = setting_defaults::kSingleSelect;
    int m_nTipMessage = setting_defaults::kTipMessage;
    int m_nMainMenu = setting_defaults::kMainMenu;
    int m_nMultiView = setting_defaults::kMultiView;
    std::string m_strCtagsParam{setting_defaults::kParam};
    // "VIEW": kind icons by language, and members nested under their scope (on when 1).
    int m_nLangIcons = setting_defaults::kLangIcons;
    int m_nNestScope = setting_defaults::kNestScope;
    // "EDITOR": a jump searches the tag's definition in the file as it is now (on when 1); off, it
    // goes to the line the tags file records.
    int m_nRefind = setting_defaults::kRefind;

    // Reads all of them, each with its default when missing.
    void Load(const Profile& profile);
    // Writes the nine back at the end of a session that loaded `atStart`, in a fixed order,
    // "PARAM" last: each one this session changed, and each one it did not change while the
    // file still holds it as it was read (Profile::WriteBackString): another instance's change
    // made meanwhile stays. Alone, that is every one of the nine. The options follow ("VIEW"
    // and "REFIND"), each only when it is on or already in the profile, so that a profile of a
    // user who never used them stays as it was. A failed write is not reported: the settings
    // are saved when the view goes away, and there is nobody left to tell.
    void Save(Profile& profile, const ViewSettings& atStart) const;

    bool operator==(const ViewSettings&) const = default;

private:
    // The editor and its template; a profile without an editor (a first start) gets the first
    // known editor installed here (editor_presets.h).
    void LoadEditor(const Profile& profile);
};

// A flag counts as on only when it is exactly 1.
constexpr bool IsOn(int flag) noexcept { return flag == 1; }

}  // namespace quarrow
