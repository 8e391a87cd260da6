#include "app/ui/run_status_bar.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <chrono>

#include "ctags/ui/ctags_progress_dialog.h"

namespace quarrow::ui {
namespace {

// Whole mebibytes, rounded up so that a small file does not read as 0 of 0.
QString Mebibytes(std::uint64_t bytes) { return QString::number((bytes + (1U << 20) - 1) >> 20); }

}  // namespace

RunStatusBar::RunStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("RunStatusBar"));
    setSizeGripEnabled(false);
    m_lblRun = new QLabel(this);
    m_lblRun->setObjectName(QStringLiteral("runText"));
    m_lblElapsed = new QLabel(this);
    m_lblElapsed->setObjectName(QStringLiteral("runElapsed"));
    m_lblWritten = new QLabel(this);
    m_lblWritten->setObjectName(QStringLiteral("runWritten"));
    m_lblLoad = new QLabel(this);
    m_lblLoad->setObjectName(QStringLiteral("loadText"));
    m_btnCancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    m_btnCancel->setObjectName(QStringLiteral("runCancel"));
    m_btnCancel->setFocusPolicy(Qt::NoFocus);  // the tree keeps the keys
    m_lblNote = new QLabel(this);
    m_lblNote->setObjectName(QStringLiteral("note"));
    m_lblNote->setTextFormat(Qt::PlainText);
    m_lblNote->setWordWrap(true);  // a narrow window shows the whole line, over several rows
    m_btnCloseNote = new QToolButton(this);
    m_btnCloseNote->setObjectName(QStringLiteral("noteClose"));
    m_btnCloseNote->setText(QStringLiteral("×"));
    m_btnCloseNote->setAutoRaise(true);
    m_btnCloseNote->setFocusPolicy(Qt::NoFocus);
    // A long text (a path, a message) is cut at the window's edge: it never widens the window,
    // which would also push a window that is not shown yet past the place the profile gives.
    for (QLabel* text : {m_lblRun, m_lblWritten, m_lblLoad, m_lblNote}) {
        text->setMinimumWidth(1);
    }
    addWidget(m_lblRun);
    addWidget(m_lblElapsed);
    addWidget(m_lblWritten);
    addWidget(m_lblLoad);
    addWidget(m_lblNote, 1);
    addPermanentWidget(m_btnCancel);
    addPermanentWidget(m_btnCloseNote);

    m_tick.setInterval(200);
    connect(&m_tick, &QTimer::timeout, this, &RunStatusBar::UpdateTexts);
    connect(m_btnCancel, &QPushButton::clicked, this, [this] {
        // One button for what goes: the run, the load, or both.
        if (m_bRunning && m_cancelRun) {
            m_cancelRun();
        }
        if (m_bLoading && m_cancelLoad) {
            m_cancelLoad();
        }
    });
    connect(m_btnCloseNote, &QToolButton::clicked, this, &RunStatusBar::ClearNote);
    UpdateVisibility();
}

void RunStatusBar::ShowRun(const QString& tagsPath, std::function<void()> cancel, std::function<qint64()> written) {
    m_cancelRun = std::move(cancel);
    m_written = std::move(written);
    m_bRunning = true;
    m_strNote.clear();
    m_lblRun->setText(tr("ctags でTAGSファイルを更新しています。"));
    m_lblRun->setToolTip(tagsPath);
    m_btnCancel->setEnabled(true);
    m_clock.start();
    UpdateTexts();
    m_tick.start();
    UpdateVisibility();
}

void RunStatusBar::EndRun() {
    m_bRunning = false;
    m_cancelRun = {};
    m_written = {};
    UpdateVisibility();
}

void RunStatusBar::ShowLoad(const QString& tagsPath, std::function<const LoadProgress*()> progress,
                            std::function<void()> cancel) {
    m_loadProgress = std::move(progress);
    m_cancelLoad = std::move(cancel);
    m_bLoading = true;
    m_strNote.clear();
    m_lblLoad->setToolTip(tagsPath);
    m_btnCancel->setEnabled(true);
    UpdateTexts();
    m_tick.start();
    UpdateVisibility();
}

void RunStatusBar::EndLoad() {
    m_bLoading = false;
    m_loadProgress = {};
    m_cancelLoad = {};
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

QString RunStatusBar::WrittenText() const { return m_lblWritten->text(); }

QString RunStatusBar::LoadText() const { return m_lblLoad->text(); }

QString RunStatusBar::FormatLoad(const LoadProgress* progress) {
    if (progress == nullptr) {
        return tr("TAGSファイルを読み込んでいます。");
    }
    const std::uint64_t done = progress->Done();
    const std::uint64_t total = progress->Total();
    switch (progress->Stage()) {
    case LoadStage::Reading:
        return tr("TAGSファイルを読み込んでいます。%1 / %2 MB").arg(Mebibytes(done), Mebibytes(total));
    case LoadStage::Ordering:
        return tr("タグを並べ替えています。");
    case LoadStage::Building:
        return tr("ツリーを作っています。%1%").arg(total == 0 ? 100 : done * 100 / total);
    }
    return {};
}

void RunStatusBar::UpdateTexts() {
    if (m_bRunning) {
        m_lblElapsed->setText(CtagsProgressDialog::FormatElapsed(std::chrono::milliseconds(m_clock.elapsed())));
        m_lblWritten->setText(m_written ? CtagsProgressDialog::FormatSize(m_written()) : QString());
    }
    if (m_bLoading) {
        m_lblLoad->setText(FormatLoad(m_loadProgress ? m_loadProgress() : nullptr));
    }
}

void RunStatusBar::UpdateVisibility() {
    const bool busy = m_bRunning || m_bLoading;
    const bool note = !m_strNote.isEmpty();  // also one told while a run or a load goes
    if (!busy) {
        m_tick.stop();
    }
    m_lblRun->setVisible(m_bRunning);
    m_lblElapsed->setVisible(m_bRunning);
    m_lblWritten->setVisible(m_bRunning && m_written);
    m_lblLoad->setVisible(m_bLoading);
    m_btnCancel->setVisible(busy);
    m_lblNote->setVisible(note);
    m_btnCloseNote->setVisible(note);
    setVisible(busy || note);
}

}  // namespace quarrow::ui
