#pragma once
// The main window's status bar for keeping the tree current: while a background ctags run goes
// it says so, with the elapsed time, the bytes the tool has written and a cancel button; while a
// tags file loads it shows how far (bytes read of the size, then the ordering, then the tree);
// afterwards it can hold a note (why a run failed, that the tags file is gone) with a button that
// puts it away. With neither a run, a load nor a note it is hidden, so the window looks as it
// always did.

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>

#include <functional>

#include "tags/load_progress.h"

class QLabel;
class QToolButton;
class QPushButton;

namespace quarrow::ui {

class RunStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    explicit RunStatusBar(QWidget* parent = nullptr);

    // A run has begun for `tagsPath`; `cancel` is called by the cancel button; `written` gives
    // the bytes the tool has written so far (negative: none yet).
    void ShowRun(const QString& tagsPath, std::function<void()> cancel, std::function<qint64()> written = {});
    // The run has ended; the bar hides unless a load or a note is shown.
    void EndRun();
    // A load of `tagsPath` goes; `progress` gives how far it has come (null: not begun yet) and
    // `cancel` is called by the cancel button.
    void ShowLoad(const QString& tagsPath, std::function<const LoadProgress*()> progress, std::function<void()> cancel);
    void EndLoad();
    // Shows a note (the first line; the whole text as its tool tip) until it is put away or
    // replaced. An empty text puts it away.
    void ShowNote(const QString& text);
    void ClearNote() { ShowNote({}); }

    bool IsRunShown() const noexcept { return m_bRunning; }
    bool IsLoadShown() const noexcept { return m_bLoading; }
    QString RunText() const;
    QString ElapsedText() const;
    QString WrittenText() const;
    QString LoadText() const;
    QString NoteText() const { return m_strNote; }
    QPushButton* CancelButton() const { return m_btnCancel; }

    // The text of a load that has come as far as `progress` says.
    static QString FormatLoad(const LoadProgress* progress);

private:
    void UpdateTexts();
    void UpdateVisibility();

    QLabel* m_lblRun;
    QLabel* m_lblElapsed;
    QLabel* m_lblWritten;
    QLabel* m_lblLoad;
    QPushButton* m_btnCancel;
    QLabel* m_lblNote;
    QToolButton* m_btnCloseNote;
    QTimer m_tick;
    QElapsedTimer m_clock;
    std::function<void()> m_cancelRun;
    std::function<qint64()> m_written;
    std::function<void()> m_cancelLoad;
    std::function<const LoadProgress*()> m_loadProgress;
    QString m_strNote;
    bool m_bRunning = false;
    bool m_bLoading = false;
};

}  // namespace quarrow::ui
