#pragma once
// The About box: the program's name and version on one line and its copyright line below, read
// from the version information the build embeds. Nothing survives from one showing to the next.

#include <string>

#include "app/version_info.h"
#include "widgets/exchange_dialog.h"

class QLineEdit;
class QPushButton;

namespace quarrow::ui {

namespace version_info_dlg_id {
inline constexpr int kDialog = 100;
inline constexpr int kOk = 1;
inline constexpr int kNameVersion = 1005;
inline constexpr int kCopyright = 1006;
}  // namespace version_info_dlg_id

class CVersionInfoDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // Reads the built-in version information.
    explicit CVersionInfoDlg(QWidget* parent = nullptr);
    // Shows the given values instead (tests).
    CVersionInfoDlg(const VersionInfo& info, QWidget* parent);
    ~CVersionInfoDlg() override;
    Q_DISABLE_COPY_MOVE(CVersionInfoDlg)

    std::string m_strNameVersion;
    std::string m_strCopyright;

private:
    bool UpdateData(bool saveAndValidate) override;

    QPushButton* m_btnOk;
    QLineEdit* m_editNameVersion;
    QLineEdit* m_editCopyright;
};

// The About command: shows the box modally over `parent` and discards it.
void OnAboutCommand(QWidget* parent);

}  // namespace quarrow::ui
