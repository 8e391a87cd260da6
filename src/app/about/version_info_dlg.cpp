#include "app/about/version_info_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>

#include "app/about/program_icon.h"
#include "platform/message_sink.h"
#include "widgets/dialog_placement.h"
#include "widgets/dialog_text_limit.h"
#include "widgets/dialog_units.h"

namespace quarrow::ui {

namespace {

QString ToQt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FromQt(const QString& text) { return text.toUtf8().toStdString(); }

// A read-only edit without a border on the dialog's face, still a tab stop.
QLineEdit* MakeInfoEdit(QWidget* parent, int id, const DialogUnits& du) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("ctl%1").arg(id));
    edit->setReadOnly(true);
    edit->setFrame(false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    edit->setMinimumWidth(du.X(118));
    CapTyping(edit);
    return edit;
}

}  // namespace

CVersionInfoDlg::CVersionInfoDlg(QWidget* parent) : CVersionInfoDlg(BuiltInVersionInfo(), parent) {}

CVersionInfoDlg::CVersionInfoDlg(const VersionInfo& info, QWidget* parent)
    : ExchangeDialog(parent),
      m_strNameVersion(FormatNameVersion(info)),
      m_strCopyright(info.m_strLegalCopyright) {
    namespace id = version_info_dlg_id;
    setWindowTitle(tr("Quarrowのﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogUnits du(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("programIcon"));
    const int iconSize = std::max(du.X(18), 32);
    icon->setPixmap(ProgramIcon().pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Created in the template's order, which is also the tab order.
    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("ctl%1").arg(id::kOk));
    m_btnOk->setDefault(true);
    m_btnOk->setFixedSize(std::max(du.X(50), m_btnOk->sizeHint().width()), std::max(du.Y(14), m_btnOk->sizeHint().height()));
    m_editNameVersion = MakeInfoEdit(this, id::kNameVersion, du);
    m_editCopyright = MakeInfoEdit(this, id::kCopyright, du);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(m_editNameVersion, 0, 1);
    grid->addWidget(m_editCopyright, 1, 1);
    grid->addWidget(m_btnOk, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(0, du.X(28));
    grid->setSizeConstraint(QLayout::SetFixedSize);
    SetTabOrderChain({m_btnOk, m_editNameVersion, m_editCopyright});

    namespace ids = version_info_dlg_id;
    SetControls({{ids::kOk, m_btnOk}, {ids::kNameVersion, m_editNameVersion}, {ids::kCopyright, m_editCopyright}});
    connect(m_btnOk, &QPushButton::clicked, this, &CVersionInfoDlg::accept);
    UpdateData(false);
    // The box grows rather than cut a line it was built to show.
    for (QLineEdit* edit : {m_editNameVersion, m_editCopyright}) {
        const int needed = edit->fontMetrics().horizontalAdvance(edit->text()) + 2 * edit->fontMetrics().averageCharWidth();
        edit->setMinimumWidth(std::max(edit->minimumWidth(), std::min(needed, du.X(400))));
    }
    m_btnOk->setFocus();
}

CVersionInfoDlg::~CVersionInfoDlg() = default;

bool CVersionInfoDlg::UpdateData(bool saveAndValidate) {
    struct Field {
        QLineEdit* edit;
        std::string* value;
    };
    const Field fields[] = {{m_editCopyright, &m_strCopyright}, {m_editNameVersion, &m_strNameVersion}};
    for (const Field& field : fields) {
        if (!saveAndValidate) {
            field.edit->setText(ToQt(*field.value));
            field.edit->setCursorPosition(0);
            continue;
        }
        if (!CheckTextLimit(field.edit)) {
            return false;
        }
        *field.value = FromQt(field.edit->text());
    }
    return true;
}

void OnAboutCommand(QWidget* parent) {
    CVersionInfoDlg dialog(parent);
    CentreOnOwnerWindow(dialog);
    dialog.exec();
}

}  // namespace quarrow::ui
