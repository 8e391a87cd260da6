#pragma once
// The main window's status bar for keeping the tree current: while a background ctags run goes
// it says so, with the elapsed time and a cancel button; afterwards it can hold a note (why a run
// failed, that the tags file is gone) with a button that puts it away. With neither a run nor a
// note it is hidden, so the window looks as it always did.

#include <QElapsedTimer>
#include <QStatusBar>
#include <QTimer>

#include <functional>

class QLabel;
class QToolButton;
class QPushButton;

namespace quarrow::ui {

class RunStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    explicit RunStatusBar(QWidget* parent = nullptr);

    // A run has begun for `tagsPath`; `cancel` is called by the cancel button.
    void ShowRun(const QString& tagsPath, std::function<void()> cancel);
    // The run has ended; the bar hides unless a note is shown.
    void EndRun();
    // Shows a note (the first line; the whole text as its tool tip) until it is put away or
    // replaced. An empty text puts it away.
    void ShowNote(const QString& text);
    void ClearNote() { ShowNote({}); }

    bool IsRunShown() const noexcept { return m_bRunning; }
    QString RunText() const;
    QString ElapsedText() const;
    QString NoteText() const { return m_strNote; }
    QPushButton* CancelButton() const { return m_btnCancel; }

private:
    void UpdateElapsed();
    void UpdateVisibility();

    QLabel* m_lblRun;
    QLabel* m_lblElapsed;
    QPushButton* m_btnCancel;
    QLabel* m_lblNote;
    QToolButton* m_btnCloseNote;
    QTimer m_tick;
    QElapsedTimer m_clock;
    std::function<void()> m_cancel;
    QString m_strNote;
    bool m_bRunning = false;
};

}  // namespace quarrow::ui
