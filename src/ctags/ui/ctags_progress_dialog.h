#pragma once
// The window shown while ctags runs: the elapsed time and the size of the tags file written so
// far, and a Cancel button that ends the tool. It keeps the program's windows painted by
// processing events each time the runner asks whether to go on. It appears only when a run takes
// longer than a moment, so quick runs do not flash a window. It works without a main window.

#include <QDialog>

#include <chrono>

#include "ctags/run_ctags.h"

class QLabel;
class QPushButton;

namespace quarrow::ui {

class CtagsProgressDialog final : public QDialog, public RunObserver {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultShowDelay{500};

    // `tagsPath` is the file whose size is shown; `parent` may be null (start-up).
    explicit CtagsProgressDialog(QString tagsPath, QWidget* parent = nullptr,
                                 std::chrono::milliseconds showDelay = kDefaultShowDelay);
    ~CtagsProgressDialog() override;
    Q_DISABLE_COPY_MOVE(CtagsProgressDialog)

    // Processes pending events, updates the texts and shows the window once the delay has
    // passed. False once the user has cancelled.
    bool KeepWaiting(std::chrono::milliseconds elapsed) override;
    // The size shown is that of the new file the tool writes beside the tags file.
    void WritingTo(const std::string& path) override;

    bool WasCancelled() const noexcept { return m_bCancelled; }
    // The dialog of the run in progress, or null. Closing the program while a run waits inside
    // it must cancel the run and wait for it to return before the window goes away.
    static CtagsProgressDialog* Active() noexcept { return s_pActive; }
    QString ElapsedText() const;
    QString SizeText() const;
    QPushButton* CancelButton() const { return m_btnCancel; }

    // "経過時間 m:ss" and "書き込み済み ... バイト" as shown.
    static QString FormatElapsed(std::chrono::milliseconds elapsed);
    static QString FormatSize(qint64 bytes);

    void reject() override;  // Esc and the window's close button cancel the run

private:
    void Update(std::chrono::milliseconds elapsed);

    QString m_strTagsPath;
    QString m_strWrittenPath;
    std::chrono::milliseconds m_showDelay;
    QLabel* m_lblElapsed;
    QLabel* m_lblSize;
    QPushButton* m_btnCancel;
    bool m_bCancelled = false;
    bool m_bCursorPushed = false;
    CtagsProgressDialog* m_pOuter;  // a run inside a run (not expected) restores the outer one
    static CtagsProgressDialog* s_pActive;
};

}  // namespace quarrow::ui
