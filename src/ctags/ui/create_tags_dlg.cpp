#include "ctags/ui/create_tags_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "widgets/code_page_text.h"
#include "widgets/dialog_placement.h"
#include "widgets/dialog_text_limit.h"
#include "widgets/dialog_units.h"

namespace quarrow::ui {

namespace {

constexpr std::string_view kTagsFilter = "tags (*.tags)|*.tags|tags (*.txt)|*.txt|All Files (*.*)|*.*||";


QPushButton* MakeButton(QWidget* parent, int id, const QString& text, int widthUnits, const DialogUnits& du) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("ctl%1").arg(id));
    button->setFixedSize(std::max(du.X(widthUnits), widthUnits > 20 ? button->sizeHint().width() : 0),
                         std::max(du.Y(14), button->sizeHint().height()));
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int widthUnits, const DialogUnits& du) {
    auto* label = new QLabel(text, parent);
    label->setMinimumWidth(du.X(widthUnits));
    return label;
}

}  // namespace

std::vector<std::string> ReadRecentTagsFiles(const Profile& profile) {
    std::vector<std::string> files;
    for (int number = 1; number <= setting_defaults::kCreateTagsRecentFiles; ++number) {
        std::string path = profile.ReadString(setting_keys::kRecentFileList, setting_keys::RecentFileKey(number), "");
        if (path.empty()) {
            break;
        }
        files.push_back(std::move(path));
    }
    return files;
}

int FindEntryByPrefix(const std::vector<QString>& entries, const QString& text, int start) {
    const int count = static_cast<int>(entries.size());
    if (count == 0) {
        return -1;
    }
    const int first = (start < 0 || start >= count) ? 0 : start + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (entries[static_cast<std::size_t>(index)].startsWith(text, Qt::CaseInsensitive)) {
            return index;
        }
    }
    return -1;
}

CCreateTagsDlg::CCreateTagsDlg(const Profile* profile, QWidget* parent)
    : ExchangeDialog(parent), m_pProfile(profile), m_chooser(ShowFileDialog) {
    namespace id = create_tags_dlg_id;
    setWindowTitle(tr("TAGSファイルの作成画面"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits du(font());

    // Created in the template's order, which is also the tab order.
    m_btnOk = MakeButton(this, id::kOk, tr("(再)作成開始"), 50, du);
    m_btnOk->setDefault(true);
    m_btnCancel = MakeButton(this, id::kCancel, tr("ｷｬﾝｾﾙ"), 50, du);
    auto* lblTagsFile = MakeLabel(this, tr("Tagsファイル："), 46, du);
    m_btnBrowse = MakeButton(this, id::kBrowse, QStringLiteral("..."), 18, du);

    m_cbTagsFile = new QComboBox(this);
    m_cbTagsFile->setObjectName(QStringLiteral("ctl%1").arg(id::kTagsFile));
    m_cbTagsFile->setEditable(true);
    m_cbTagsFile->setInsertPolicy(QComboBox::NoInsert);
    m_cbTagsFile->setCompleter(nullptr);  // the text is what the user typed, never completed
    m_cbTagsFile->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cbTagsFile->setMinimumContentsLength(1);
    m_cbTagsFile->setMinimumWidth(du.X(142));
    m_cbTagsFile->setMaxVisibleItems(std::max(1, (66 - 14) / 8));

    auto* lblTarget = MakeLabel(this, tr("Tags作成対象："), 48, du);
    m_editTarget = new QLineEdit(this);
    m_editTarget->setObjectName(QStringLiteral("ctl%1").arg(id::kTarget));
    m_editTarget->setMinimumWidth(du.X(142));
    CapTyping(m_editTarget);

    auto* group = new QGroupBox(tr("TAGS作成時の現在のオプション（変更はINIファイルへ直接行う。）"), this);
    m_lblExplanation = new QLabel(tr("※TAGSファイル作成時のパラメータのうち、以下の文字列の置き換え\n"
                                     "   を実施します。\n"
                                     "   「-f@tags」 -> 「-f（TAGSファイル）」\n"
                                     "   「@target」 -> 「（Tags作成対象）」"),
                                  group);
    m_lblExplanation->setTextFormat(Qt::PlainText);
    m_lblExplanation->setMinimumWidth(du.X(208));
    m_editParam = new QLineEdit(group);
    m_editParam->setObjectName(QStringLiteral("ctl%1").arg(id::kParam));
    m_editParam->setReadOnly(true);
    m_editParam->setFrame(false);
    QPalette palette = m_editParam->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));  // a read-only field on the dialog's face
    m_editParam->setPalette(palette);
    m_editParam->setMinimumWidth(du.X(206));
    CapTyping(m_editParam);

    auto* grid = new QGridLayout;
    grid->addWidget(lblTagsFile, 0, 0);
    grid->addWidget(m_cbTagsFile, 0, 1);
    grid->addWidget(m_btnBrowse, 0, 2);
    grid->addWidget(lblTarget, 1, 0);
    grid->addWidget(m_editTarget, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* groupBox = new QVBoxLayout(group);
    groupBox->addWidget(m_editParam);
    groupBox->addWidget(m_lblExplanation);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(group);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);  // a modal frame: not resizable

    SetTabOrderChain({m_btnOk, m_btnCancel, m_btnBrowse, m_cbTagsFile, m_editTarget, m_editParam});

    FitGroupBoxTitles(this);
    namespace ids = create_tags_dlg_id;
    SetControls({{ids::kOk, m_btnOk},
                 {ids::kCancel, m_btnCancel},
                 {ids::kTagsFile, m_cbTagsFile},
                 {ids::kBrowse, m_btnBrowse},
                 {ids::kTarget, m_editTarget},
                 {ids::kParam, m_editParam}});

    connect(m_btnOk, &QPushButton::clicked, this, &CCreateTagsDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CCreateTagsDlg::reject);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CCreateTagsDlg::OnBrowseTagsFile);
    // Only the user's own edits and picks reload the target, never the program's changes.
    connect(m_cbTagsFile->lineEdit(), &QLineEdit::textEdited, this, &CCreateTagsDlg::OnTagsFileEditChange);
    connect(m_cbTagsFile, &QComboBox::activated, this, &CCreateTagsDlg::OnTagsFileSelChange);
}

CCreateTagsDlg::~CCreateTagsDlg() = default;

int CCreateTagsDlg::DoModal(bool keepTyped) {
    InitDialog(keepTyped);
    CentreOnOwnerWindow(*this);
    return exec();
}

void CCreateTagsDlg::InitDialog(bool keepTyped) {
    // Each showing starts from an empty list and field, as a newly made window would.
    m_cbTagsFile->clear();
    m_cbTagsFile->clearEditText();
    UpdateData(false);

    const std::vector<std::string> files = m_pProfile ? ReadRecentTagsFiles(*m_pProfile) : std::vector<std::string>{};
    for (const std::string& file : files) {
        m_cbTagsFile->addItem(EditTextFromBytes(file, m_codePage));
    }
    if (keepTyped) {
        m_cbTagsFile->setCurrentIndex(-1);
        m_cbTagsFile->setEditText(EditTextFromBytes(m_strTagsFile, m_codePage));
    } else if (!files.empty()) {
        const QString first = EditTextFromBytes(files.front(), m_codePage);
        m_cbTagsFile->setEditText(first);
        LoadTarget(first);
    } else {
        m_cbTagsFile->setCurrentIndex(-1);
        m_cbTagsFile->clearEditText();
    }
    if (keepTyped) {
        m_cbTagsFile->setFocus();  // shown again to mend what was typed
    } else {
        m_btnOk->setFocus();  // Enter at once starts the run for the most recent file
    }
}

void CCreateTagsDlg::LoadTarget(const QString& path) {
    const std::string key = BytesFromEditText(path, m_codePage);
    m_strTarget = std::string(setting_defaults::kCreateTagsTarget);
    if (m_pProfile && !key.empty()) {
        m_strTarget = m_pProfile->ReadString(setting_keys::kCreateTagsParam, key, setting_defaults::kCreateTagsTarget);
    }
    UpdateData(false);
}

void CCreateTagsDlg::done(int result) {
    // The tags file is the combo box text as the window closes, after OK and Cancel alike.
    m_strTagsFile = BytesFromEditText(m_cbTagsFile->currentText(), m_codePage);
    QDialog::done(result);
}

bool CCreateTagsDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_editTarget->setText(EditTextFromBytes(m_strTarget, m_codePage));  // in full, even past the cap
        m_editParam->setText(EditTextFromBytes(m_strParam, m_codePage));
        m_editParam->setCursorPosition(0);
        return true;
    }
    // An empty tags file would make nothing: the user is asked for one, with the fields kept.
    if (m_cbTagsFile->currentText().trimmed().isEmpty()) {
        ShowValidationMessage(tr("作成するTAGSファイルを指定してください。"));
        m_cbTagsFile->setFocus();
        return false;
    }
    struct Field {
        QLineEdit* edit;
        std::string* value;
    };
    for (const Field& field : {Field{m_editTarget, &m_strTarget}, Field{m_editParam, &m_strParam}}) {
        if (!CheckTextLimit(field.edit)) {
            return false;
        }
        *field.value = BytesFromEditText(field.edit->text(), m_codePage);
    }
    return true;
}

void CCreateTagsDlg::OnTagsFileEditChange(const QString& text) { LoadTarget(text); }

void CCreateTagsDlg::OnTagsFileSelChange(int index) {
    if (index >= 0) {
        LoadTarget(m_cbTagsFile->itemText(index));
    }
}

void CCreateTagsDlg::OnBrowseTagsFile() {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Save;
    request.title = tr("Tagsを作成します。ファイル名を指定してください。");
    request.filter = QtFilterFromPairs(kTagsFilter);
    request.defaultSuffix = QStringLiteral("tags");
    request.confirmOverwrite = true;
    const QString chosen = m_chooser ? m_chooser(this, request) : QString();
    if (chosen.isEmpty()) {
        return;
    }
    // Shown in the code page, so that the file's own bytes come back out of the field.
    const QString path = EditTextFromBytes(BytesOfChosenPath(chosen), m_codePage);
    m_cbTagsFile->insertItem(0, path);
    std::vector<QString> entries;
    for (int i = 0; i < m_cbTagsFile->count(); ++i) {
        entries.push_back(m_cbTagsFile->itemText(i));
    }
    // The select-by-text search may find a listed entry that merely begins with the chosen path
    // (x.tags and x.tags.bak) or differs in case; that would be a different file, and the run
    // would overwrite it. Only an entry that is the chosen path itself is taken.
    int index = FindEntryByPrefix(entries, path, 0);
    if (index < 0 || entries[static_cast<std::size_t>(index)] != path) {
        index = 0;
    }
    m_cbTagsFile->setCurrentIndex(index);
    m_cbTagsFile->setEditText(m_cbTagsFile->itemText(index));
    // The target keeps its value until the tags file text is edited or picked.
}

}  // namespace quarrow::ui
