#pragma once
// The nine settings the tree view carries (editor, ctags and behaviour options), loaded from and
// saved to the profile in a fixed order.

#include <string>

namespace quarrow {

class Profile;

struct ViewSettings {
    std::string m_strEditorPath;
    std::string m_strEditorFormat;
    std::string m_strCtagsPath;
    int m_nRestartRead = 0;
    int m_nSingleSelect = 1;
    int m_nTipMessage = 1;
    int m_nMainMenu = 1;
    int m_nMultiView = 0;
    std::string m_strCtagsParam;

    void Load(const Profile& profile);
    void Save(Profile& profile) const;
};

// A flag counts as on only when it is exactly 1.
constexpr bool IsOn(int flag) noexcept { return flag == 1; }

}  // namespace quarrow
