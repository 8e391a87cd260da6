#include "ctags/ui/ctags_progress_dialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "widgets/dialog_units.h"

namespace quarrow::ui {

CtagsProgressDialog* CtagsProgressDialog::s_pActive = nullptr;

CtagsProgressDialog::CtagsProgressDialog(QString tagsPath, QWidget* parent, std::chrono::milliseconds showDelay)
    : QDialog(parent), m_strTagsPath(std::move(tagsPath)), m_strWrittenPath(m_strTagsPath), m_showDelay(showDelay), m_pOuter(s_pActive) {
    s_pActive = this;
    setWindowTitle(QStringLiteral("Quarrow"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    const DialogUnits du(font());

    auto* lblWhat = new QLabel(tr("ctags でTAGSファイルを作成しています。"), this);
    auto* lblPath = new QLabel(m_strTagsPath, this);
    lblPath->setTextFormat(Qt::PlainText);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblElapsed = new QLabel(this);
    m_lblSize = new QLabel(this);
    m_btnCancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    m_btnCancel->setMinimumWidth(du.X(50));
    m_btnCancel->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnCancel);
    auto* main = new QVBoxLayout(this);
    main->addWidget(lblWhat);
    main->addWidget(lblPath);
    main->addWidget(m_lblElapsed);
    main->addWidget(m_lblSize);
    main->addLayout(buttons);
    setMinimumWidth(du.X(200));

    connect(m_btnCancel, &QPushButton::clicked, this, &CtagsProgressDialog::reject);
    Update(std::chrono::milliseconds(0));
}

CtagsProgressDialog::~CtagsProgressDialog() {
    s_pActive = m_pOuter;
    if (m_bCursorPushed) {
        QGuiApplication::restoreOverrideCursor();
    }
}

bool CtagsProgressDialog::KeepWaiting(std::chrono::milliseconds elapsed) {
    if (!isVisible() && !m_bCancelled && elapsed >= m_showDelay) {
        show();
        raise();
        activateWindow();
        // The caller's wait cursor would cover the Cancel button too.
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        m_bCursorPushed = true;
    }
    Update(elapsed);
    // Until this window blocks the others, the user's input waits, so that no command can start
    // inside the run; paints and the program's own events go on.
    QCoreApplication::processEvents(isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !m_bCancelled;
}

void CtagsProgressDialog::reject() {
    // The run goes on until the runner has ended the tool; the window closes with the run.
    if (!m_bCancelled) {
        m_bCancelled = true;
        m_btnCancel->setEnabled(false);
        m_lblSize->setText(tr("中止しています…"));
    }
}

QString CtagsProgressDialog::ElapsedText() const { return m_lblElapsed->text(); }

QString CtagsProgressDialog::SizeText() const { return m_lblSize->text(); }

QString CtagsProgressDialog::FormatElapsed(std::chrono::milliseconds elapsed) {
    const long long seconds = std::max<long long>(0, elapsed.count() / 1000);
    const long long hours = seconds / 3600;
    const long long minutes = seconds / 60 % 60;
    const long long secs = seconds % 60;
    const QString clock = hours > 0 ? QStringLiteral("%1:%2:%3")
                                          .arg(hours)
                                          .arg(minutes, 2, 10, QLatin1Char('0'))
                                          .arg(secs, 2, 10, QLatin1Char('0'))
                                    : QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
    return tr("経過時間： %1").arg(clock);
}

QString CtagsProgressDialog::FormatSize(qint64 bytes) {
    if (bytes < 0) {
        return tr("書き込み済み： なし");
    }
    QString digits = QString::number(bytes);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, u',');
    }
    return tr("書き込み済み： %1 バイト").arg(digits);
}

void CtagsProgressDialog::WritingTo(const std::string& path) {
    m_strWrittenPath = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

void CtagsProgressDialog::Update(std::chrono::milliseconds elapsed) {
    m_lblElapsed->setText(FormatElapsed(elapsed));
    if (m_bCancelled) {
        return;
    }
    const QFileInfo info(m_strWrittenPath);
    m_lblSize->setText(FormatSize(info.exists() ? info.size() : -1));
}

}  // namespace quarrow::ui
