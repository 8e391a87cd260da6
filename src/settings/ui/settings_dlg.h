#pragma once
// The settings dialog: the editor's program and argument template, the ctags program and the five
// behaviour flags. It edits its own copy of the view's values; RunSettingsCommand copies them in
// before showing and back out only on OK. Nothing here writes the profile.

#include <string>
#include <string_view>

#include "widgets/exchange_dialog.h"
#include "widgets/file_chooser.h"
#include "tags/code_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quarrow {
struct ViewSettings;
}  // namespace quarrow

namespace quarrow::ui {

// Control ids of the settings dialog.
namespace settings_dlg_id {
inline constexpr int kDialog = 130;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kEditorPath = 1000;
inline constexpr int kEditorFormat = 1001;
inline constexpr int kBrowseEditor = 1002;
inline constexpr int kCtagsPath = 1003;
inline constexpr int kBrowseCtags = 1004;
inline constexpr int kEditorPresets = 1005;  // the known editors; choosing one fills 1000 and 1001
inline constexpr int kRestartRead = 1009;
inline constexpr int kSingleSelect = 1010;
inline constexpr int kTipMessage = 1011;
inline constexpr int kMainMenu = 1012;
inline constexpr int kMultiView = 1013;
}  // namespace settings_dlg_id

class CSettingsDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(QWidget* parent = nullptr);
    ~CSettingsDlg() override;
    Q_DISABLE_COPY_MOVE(CSettingsDlg)

    // Shows the dialog modally: the members go into the controls, and come back out of them only
    // when OK passes validation (no text over the cap, and an editor program: without one the
    // template's first word would be started). Returns QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    // The opening without the modal loop (tests show the dialog themselves).
    void InitDialog();

    // Test seam: the file dialog of the two browse buttons.
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The code page of the texts: the fields show its characters and give back its bytes.
    void SetCodePage(CodePage cp) noexcept { m_codePage = cp; }

    // The dialog's copy of eight of the nine view settings.
    std::string m_strEditorPath;
    std::string m_strEditorFormat;
    std::string m_strCtagsPath;
    int m_nRestartRead;
    int m_nSingleSelect;
    int m_nTipMessage;
    int m_nMainMenu;
    int m_nMultiView;

private:
    bool UpdateData(bool saveAndValidate) override;
    // The known editors, the installed ones first, as this system has them now; the one the
    // editor fields hold is shown as chosen.
    void FillEditorPresets();
    // A known editor chosen: its program and template into the two editor fields.
    void ApplyEditorPreset(int index);
    // A browse button: the chosen program into `edit` and `path` (its member); the other fields
    // keep what was typed in them. Nothing changes when the choice is cancelled.
    void BrowseInto(QLineEdit* edit, std::string& path, std::string_view filterPairs);

    QLineEdit* m_editEditorPath;
    QLineEdit* m_editEditorFormat;
    QLineEdit* m_editCtagsPath;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
    QPushButton* m_btnBrowseEditor;
    QPushButton* m_btnBrowseCtags;
    QComboBox* m_cboEditorPresets;
    QCheckBox* m_chkRestartRead;
    QCheckBox* m_chkSingleSelect;
    QCheckBox* m_chkTipMessage;
    QCheckBox* m_chkMainMenu;
    QCheckBox* m_chkMultiView;
    FileChooser m_chooser;
    CodePage m_codePage = CodePage::Utf8;
};

// The settings command: copies the view's eight values into `dlg`, shows it, and on OK copies
// them back into `settings`. On Cancel `settings` is left as it was.
void RunSettingsCommand(CSettingsDlg& dlg, ViewSettings& settings);

}  // namespace quarrow::ui
