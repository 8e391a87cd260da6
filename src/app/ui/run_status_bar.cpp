#include "app/ui/run_status_bar.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <chrono>

#include "ctags/ui/ctags_progress_dialog.h"

namespace quarrow::ui {

RunStatusBar::RunStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("RunStatusBar"));
    setSizeGripEnabled(false);
    m_lblRun = new QLabel(this);
    m_lblRun->setObjectName(QStringLiteral("runText"));
    m_lblElapsed = new QLabel(this);
    m_lblElapsed->setObjectName(QStringLiteral("runElapsed"));
    m_btnCancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    m_btnCancel->setObjectName(QStringLiteral("runCancel"));
    m_btnCancel->setFocusPolicy(Qt::NoFocus);  // the tree keeps the keys
    m_lblNote = new QLabel(this);
    m_lblNote->setObjectName(QStringLiteral("note"));
    m_lblNote->setTextFormat(Qt::PlainText);
    m_btnCloseNote = new QToolButton(this);
    m_btnCloseNote->setObjectName(QStringLiteral("noteClose"));
    m_btnCloseNote->setText(QStringLiteral("×"));
    m_btnCloseNote->setAutoRaise(true);
    m_btnCloseNote->setFocusPolicy(Qt::NoFocus);
    addWidget(m_lblRun);
    addWidget(m_lblElapsed);
    addWidget(m_lblNote, 1);
    addPermanentWidget(m_btnCancel);
    addPermanentWidget(m_btnCloseNote);

    m_tick.setInterval(250);
    connect(&m_tick, &QTimer::timeout, this, &RunStatusBar::UpdateElapsed);
    connect(m_btnCancel, &QPushButton::clicked, this, [this] {
        if (m_cancel) {
            m_cancel();
        }
    });
    connect(m_btnCloseNote, &QToolButton::clicked, this, &RunStatusBar::ClearNote);
    UpdateVisibility();
}

void RunStatusBar::ShowRun(const QString& tagsPath, std::function<void()> cancel) {
    m_cancel = std::move(cancel);
    m_bRunning = true;
    m_strNote.clear();
    m_lblRun->setText(tr("ctags でTAGSファイルを更新しています。"));
    m_lblRun->setToolTip(tagsPath);
    m_btnCancel->setEnabled(true);
    m_clock.start();
    UpdateElapsed();
    m_tick.start();
    UpdateVisibility();
}

void RunStatusBar::EndRun() {
    m_bRunning = false;
    m_cancel = {};
    m_tick.stop();
    UpdateVisibility();
}

void RunStatusBar::ShowNote(const QString& text) {
    m_strNote = text;
    m_lblNote->setText(text.section(QLatin1Char('\n'), 0, 0));
    m_lblNote->setToolTip(text);
    UpdateVisibility();
}

QString RunStatusBar::RunText() const { return m_lblRun->text(); }

QString RunStatusBar::ElapsedText() const { return m_lblElapsed->text(); }

void RunStatusBar::UpdateElapsed() {
    m_lblElapsed->setText(CtagsProgressDialog::FormatElapsed(std::chrono::milliseconds(m_clock.elapsed())));
}

void RunStatusBar::UpdateVisibility() {
    const bool note = !m_strNote.isEmpty();
    m_lblRun->setVisible(m_bRunning);
    m_lblElapsed->setVisible(m_bRunning);
    m_btnCancel->setVisible(m_bRunning);
    m_lblNote->setVisible(note && !m_bRunning);
    m_btnCloseNote->setVisible(note && !m_bRunning);
    setVisible(m_bRunning || note);
}

}  // namespace quarrow::ui
