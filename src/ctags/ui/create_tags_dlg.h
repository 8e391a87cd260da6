#pragma once
// The tags-creation dialog: the tags file to write (from the recent files, typed, or chosen with a
// save dialog), the target to index, and the current ctags parameter template shown read-only.
// The target remembered for a tags file ("CreateTagsParam") comes back whenever the tags file
// text is edited or picked. The object outlives each showing: its fields keep their values.

#include <string>
#include <vector>

#include "widgets/exchange_dialog.h"
#include "widgets/file_chooser.h"
#include "tags/code_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quarrow {
class Profile;
}  // namespace quarrow

namespace quarrow::ui {

// Control ids of the tags-creation dialog.
namespace create_tags_dlg_id {
inline constexpr int kDialog = 150;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kTagsFile = 1006;
inline constexpr int kBrowse = 1007;
inline constexpr int kTarget = 1010;
inline constexpr int kParam = 1015;
}  // namespace create_tags_dlg_id

class CCreateTagsDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // `profile` gives the recent files and the remembered targets; it may be set later.
    explicit CCreateTagsDlg(const Profile* profile = nullptr, QWidget* parent = nullptr);
    ~CCreateTagsDlg() override;
    Q_DISABLE_COPY_MOVE(CCreateTagsDlg)

    void SetProfile(const Profile* profile) { m_pProfile = profile; }
    // Test seam: the save dialog of the browse button.
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    // The code page of the profile's texts: the fields show its characters and give back its bytes.
    void SetCodePage(CodePage cp) noexcept { m_codePage = cp; }

    // Shows the dialog modally. Returns QDialog::Accepted (OK passed validation) or Rejected.
    // With `keepTyped`, the tags file and target are the ones the last showing closed with
    // (shown again after a run that did not take place), not the most recent file's.
    int DoModal(bool keepTyped = false);
    // The opening without the modal loop: fields into the controls, the recent files into the
    // list, the most recent file and its target chosen, or with `keepTyped` the last showing's
    // tags file and target (tests show the dialog themselves).
    void InitDialog(bool keepTyped = false);

    // The target remembered for `path` ("*" when none) into m_strTarget and every field into
    // the controls.
    void LoadTarget(const QString& path);

    std::string m_strTagsFile;    // the combo box text when the dialog last closed
    std::string m_strTarget{"*"};
    std::string m_strParam;       // the template on show; not read back

    void done(int result) override;

private:
    bool UpdateData(bool saveAndValidate) override;
    void OnTagsFileEditChange(const QString& text);
    void OnTagsFileSelChange(int index);
    void OnBrowseTagsFile();

    const Profile* m_pProfile;
    QPushButton* m_btnOk;
    QPushButton* m_btnCancel;
    QPushButton* m_btnBrowse;
    QComboBox* m_cbTagsFile;
    QLineEdit* m_editTarget;
    QLineEdit* m_editParam;
    QLabel* m_lblExplanation;
    FileChooser m_chooser;
    CodePage m_codePage = CodePage::Utf8;
};

// The recent files the dialog offers: "Recent File List" entries File1 to File20, up to the
// first empty one.
std::vector<std::string> ReadRecentTagsFiles(const Profile& profile);

// The combo box's select-by-text rule: the first entry after `start` (wrapping round to `start`
// itself last) whose text begins with `text`, ignoring case; -1 when none does.
int FindEntryByPrefix(const std::vector<QString>& entries, const QString& text, int start);

}  // namespace quarrow::ui
