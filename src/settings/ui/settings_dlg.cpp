#include "settings/ui/settings_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/program_files.h"
#include "settings/editor_presets.h"
#include "settings/setting_keys.h"
#include "widgets/code_page_text.h"
#include "widgets/dialog_text_limit.h"
#include "widgets/dialog_units.h"
#include "settings/view_settings.h"

namespace quarrow::ui {

namespace {

QLineEdit* MakeEdit(QWidget* parent, int id, int widthUnits, const DialogUnits& du) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("ctl%1").arg(id));
    edit->setMinimumWidth(du.X(widthUnits));
    CapTyping(edit);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, int id, const QString& text, int widthUnits, const DialogUnits& du) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("ctl%1").arg(id));
    button->setFixedSize(du.X(widthUnits), std::max(du.Y(14), button->sizeHint().height()));
    return button;
}

QCheckBox* MakeCheck(QWidget* parent, int id, const QString& text) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QStringLiteral("ctl%1").arg(id));
    // A greyed box (a stored 2) becomes a plain two-state box once the user clicks it.
    QObject::connect(check, &QCheckBox::clicked, check, [check] { check->setTristate(false); });
    return check;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int widthUnits, const DialogUnits& du) {
    auto* label = new QLabel(text, parent);
    label->setMinimumWidth(du.X(widthUnits));
    return label;
}

// Check box exchange: unchecked 0, checked 1, greyed 2. Values outside 0..2 open as 0.
void CheckInto(QCheckBox* check, int& value) {
    if (value < 0 || value > 2) {
        value = 0;
    }
    check->setTristate(value == 2);
    check->setCheckState(value == 2 ? Qt::PartiallyChecked : (value == 1 ? Qt::Checked : Qt::Unchecked));
}

int CheckOut(const QCheckBox* check) {
    switch (check->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

// The data roles of a known editor's entry.
constexpr int kProgramRole = Qt::UserRole;
constexpr int kFormatRole = Qt::UserRole + 1;

}  // namespace

CSettingsDlg::CSettingsDlg(QWidget* parent)
    : ExchangeDialog(parent),
      m_strEditorPath(setting_defaults::kEditorPath),
      m_strEditorFormat(setting_defaults::kEditorFormat),
      m_strCtagsPath(setting_defaults::kCtagsPath),
      m_nRestartRead(setting_defaults::kRestartRead),
      m_nSingleSelect(setting_defaults::kSingleSelect),
      m_nTipMessage(setting_defaults::kTipMessage),
      m_nMainMenu(setting_defaults::kMainMenu),
      m_nMultiView(setting_defaults::kMultiView),
      m_chooser(ShowFileDialog) {
    namespace id = settings_dlg_id;
    setWindowTitle(tr("設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits du(font());

    // Created in the template's order, which is also the tab order.
    m_btnOk = MakeButton(this, id::kOk, QStringLiteral("OK"), 50, du);
    m_btnOk->setDefault(true);
    m_btnCancel = MakeButton(this, id::kCancel, tr("ｷｬﾝｾﾙ"), 50, du);

    auto* editorGroup = new QGroupBox(tr("「エディター」"), this);
    auto* ctagsGroup = new QGroupBox(tr("「ctags」"), this);
    auto* otherGroup = new QGroupBox(tr("「その他」"), this);

    m_editEditorPath = MakeEdit(editorGroup, id::kEditorPath, 102, du);
    auto* lblEditor = MakeLabel(editorGroup, tr("起動エディタ："), 46, du);
    m_editEditorFormat = MakeEdit(editorGroup, id::kEditorFormat, 102, du);
    auto* lblFormat = MakeLabel(editorGroup, tr("起動文字列："), 46, du);
    m_btnBrowseEditor = MakeButton(editorGroup, id::kBrowseEditor, QStringLiteral("..."), 18, du);
    m_cboEditorPresets = new QComboBox(editorGroup);
    m_cboEditorPresets->setObjectName(QStringLiteral("ctl%1").arg(id::kEditorPresets));
    m_cboEditorPresets->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* lblPresets = MakeLabel(editorGroup, tr("既知のエディタ："), 46, du);
    m_editCtagsPath = MakeEdit(ctagsGroup, id::kCtagsPath, 102, du);
    auto* lblCtags = MakeLabel(ctagsGroup, tr("パス："), 46, du);
    m_btnBrowseCtags = MakeButton(ctagsGroup, id::kBrowseCtags, QStringLiteral("..."), 18, du);
    m_chkRestartRead = MakeCheck(otherGroup, id::kRestartRead, tr("起動時に前回表示していたtagsを読み込む。"));
    m_chkSingleSelect = MakeCheck(otherGroup, id::kSingleSelect, tr("シングルクリックでエディタへジャンプ。"));
    m_chkTipMessage = MakeCheck(otherGroup, id::kTipMessage, tr("チップメッセージの表示を行う。"));
    m_chkMainMenu = MakeCheck(otherGroup, id::kMainMenu, tr("メインメニューを表示する。(次回起動時より有効)"));
    m_chkMultiView = MakeCheck(otherGroup, id::kMultiView, tr("多重起動を許す。(次回起動時より有効)"));

    auto* editorGrid = new QGridLayout(editorGroup);
    editorGrid->addWidget(lblEditor, 0, 0);
    editorGrid->addWidget(m_editEditorPath, 0, 1);
    editorGrid->addWidget(m_btnBrowseEditor, 0, 2);
    editorGrid->addWidget(lblFormat, 1, 0);
    editorGrid->addWidget(m_editEditorFormat, 1, 1);
    editorGrid->addWidget(lblPresets, 2, 0);
    editorGrid->addWidget(m_cboEditorPresets, 2, 1, 1, 2);
    editorGrid->setColumnStretch(1, 1);

    auto* ctagsGrid = new QGridLayout(ctagsGroup);
    ctagsGrid->addWidget(lblCtags, 0, 0);
    ctagsGrid->addWidget(m_editCtagsPath, 0, 1);
    ctagsGrid->addWidget(m_btnBrowseCtags, 0, 2);
    ctagsGrid->setColumnStretch(1, 1);

    auto* otherBox = new QVBoxLayout(otherGroup);
    for (QCheckBox* check : {m_chkRestartRead, m_chkSingleSelect, m_chkTipMessage, m_chkMainMenu, m_chkMultiView}) {
        otherBox->addWidget(check);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* main = new QVBoxLayout(this);
    main->addWidget(editorGroup);
    main->addWidget(ctagsGroup);
    main->addWidget(otherGroup);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);  // a modal frame: not resizable

    SetTabOrderChain({m_btnOk, m_btnCancel, m_editEditorPath, m_editEditorFormat, m_btnBrowseEditor, m_cboEditorPresets,
                      m_editCtagsPath, m_btnBrowseCtags, m_chkRestartRead, m_chkSingleSelect, m_chkTipMessage,
                      m_chkMainMenu, m_chkMultiView});

    FitGroupBoxTitles(this);
    namespace ids = settings_dlg_id;
    SetControls({{ids::kOk, m_btnOk},
                 {ids::kCancel, m_btnCancel},
                 {ids::kEditorPath, m_editEditorPath},
                 {ids::kEditorFormat, m_editEditorFormat},
                 {ids::kBrowseEditor, m_btnBrowseEditor},
                 {ids::kEditorPresets, m_cboEditorPresets},
                 {ids::kCtagsPath, m_editCtagsPath},
                 {ids::kBrowseCtags, m_btnBrowseCtags},
                 {ids::kRestartRead, m_chkRestartRead},
                 {ids::kSingleSelect, m_chkSingleSelect},
                 {ids::kTipMessage, m_chkTipMessage},
                 {ids::kMainMenu, m_chkMainMenu},
                 {ids::kMultiView, m_chkMultiView}});

    connect(m_btnOk, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &CSettingsDlg::reject);
    connect(m_btnBrowseEditor, &QPushButton::clicked, this,
            [this] { BrowseInto(m_editEditorPath, m_strEditorPath, program_files::kEditorFilter); });
    connect(m_btnBrowseCtags, &QPushButton::clicked, this,
            [this] { BrowseInto(m_editCtagsPath, m_strCtagsPath, program_files::kCtagsFilter); });
    connect(m_cboEditorPresets, &QComboBox::activated, this, &CSettingsDlg::ApplyEditorPreset);
}

CSettingsDlg::~CSettingsDlg() = default;

int CSettingsDlg::DoModal() {
    InitDialog();
    return exec();
}

void CSettingsDlg::InitDialog() {
    UpdateData(false);
    FillEditorPresets();
    m_btnOk->setFocus();  // the first tab stop has the focus when the dialog opens
}

bool CSettingsDlg::UpdateData(bool saveAndValidate) {
    struct TextField {
        QLineEdit* edit;
        std::string* value;
    };
    const TextField texts[] = {{m_editEditorPath, &m_strEditorPath},
                               {m_editEditorFormat, &m_strEditorFormat},
                               {m_editCtagsPath, &m_strCtagsPath}};
    struct Flag {
        QCheckBox* check;
        int* value;
    };
    const Flag flags[] = {{m_chkRestartRead, &m_nRestartRead}, {m_chkSingleSelect, &m_nSingleSelect},
                          {m_chkTipMessage, &m_nTipMessage},   {m_chkMainMenu, &m_nMainMenu},
                          {m_chkMultiView, &m_nMultiView}};

    if (!saveAndValidate) {
        for (const TextField& field : texts) {
            field.edit->setText(EditTextFromBytes(*field.value, m_codePage));  // in full, even past the cap
        }
        for (const Flag& flag : flags) {
            CheckInto(flag.check, *flag.value);
        }
        return true;
    }
    // Out of the controls in member order; the first text refused stops the exchange.
    for (const TextField& field : texts) {
        if (!CheckTextLimit(field.edit)) {
            return false;
        }
        if (field.edit == m_editEditorPath && m_editEditorPath->text().trimmed().isEmpty()) {
            RefuseField(m_editEditorPath, tr("起動エディタを入力してください。"));
            return false;
        }
        *field.value = BytesFromEditText(field.edit->text(), m_codePage);
    }
    for (const Flag& flag : flags) {
        *flag.value = CheckOut(flag.check);
    }
    return true;
}

void CSettingsDlg::FillEditorPresets() {
    m_cboEditorPresets->clear();
    m_cboEditorPresets->addItem(tr("（選択してください）"));
    const QString path = m_editEditorPath->text();
    const QString format = m_editEditorFormat->text();
    for (const AvailableEditor& editor : AvailableEditors()) {
        QString text = QString::fromUtf8(editor.preset->name);
        if (editor.preset->inTerminal) {
            text = tr("%1（端末内）").arg(text);
        }
        if (!editor.installed) {
            text = tr("%1 - 未インストール").arg(text);
        }
        const QString program = QString::fromUtf8(editor.launch->program);
        const QString arguments = QString::fromUtf8(editor.launch->format);
        m_cboEditorPresets->addItem(text);
        const int index = m_cboEditorPresets->count() - 1;
        m_cboEditorPresets->setItemData(index, program, kProgramRole);
        m_cboEditorPresets->setItemData(index, arguments, kFormatRole);
        m_cboEditorPresets->setItemData(index, program + QLatin1Char(' ') + arguments, Qt::ToolTipRole);
        if (!editor.installed) {
            m_cboEditorPresets->setItemData(index, palette().color(QPalette::Disabled, QPalette::Text),
                                            Qt::ForegroundRole);
        }
        if (program == path && arguments == format) {
            m_cboEditorPresets->setCurrentIndex(index);
        }
    }
}

void CSettingsDlg::ApplyEditorPreset(int index) {
    if (index <= 0) {
        return;  // the hint, no editor
    }
    // Replaced as a whole, so that Ctrl+Z in a field brings back what was there.
    for (const auto& [edit, role] :
         {std::pair{m_editEditorPath, kProgramRole}, std::pair{m_editEditorFormat, kFormatRole}}) {
        edit->selectAll();
        edit->insert(m_cboEditorPresets->itemData(index, role).toString());
    }
}

void CSettingsDlg::BrowseInto(QLineEdit* edit, std::string& path, std::string_view filterPairs) {
    FileChooserRequest request;
    request.kind = FileChooserRequest::Kind::Open;
    request.filter = QtFilterFromPairs(filterPairs);
    request.defaultSuffix = QString::fromUtf8(program_files::kDefaultSuffix);
    request.confirmOverwrite = true;
    const QString chosen = m_chooser ? m_chooser(this, request) : QString();
    if (chosen.isEmpty()) {
        return;
    }
    // The file's own name, as the file system spells it, whatever the code page shows.
    path = BytesOfChosenPath(chosen);
    // Only this field: what was typed or ticked elsewhere since the dialog opened stays.
    edit->setText(EditTextFromBytes(path, m_codePage));
}

void RunSettingsCommand(CSettingsDlg& dlg, ViewSettings& settings) {
    dlg.m_strEditorPath = settings.m_strEditorPath;
    dlg.m_strEditorFormat = settings.m_strEditorFormat;
    dlg.m_strCtagsPath = settings.m_strCtagsPath;
    dlg.m_nRestartRead = settings.m_nRestartRead;
    dlg.m_nSingleSelect = settings.m_nSingleSelect;
    dlg.m_nTipMessage = settings.m_nTipMessage;
    dlg.m_nMainMenu = settings.m_nMainMenu;
    dlg.m_nMultiView = settings.m_nMultiView;
    if (dlg.DoModal() != QDialog::Accepted) {
        return;
    }
    settings.m_strEditorPath = dlg.m_strEditorPath;
    settings.m_strEditorFormat = dlg.m_strEditorFormat;
    settings.m_strCtagsPath = dlg.m_strCtagsPath;
    settings.m_nRestartRead = dlg.m_nRestartRead;
    settings.m_nSingleSelect = dlg.m_nSingleSelect;
    settings.m_nTipMessage = dlg.m_nTipMessage;
    settings.m_nMainMenu = dlg.m_nMainMenu;
    settings.m_nMultiView = dlg.m_nMultiView;
}

}  // namespace quarrow::ui
