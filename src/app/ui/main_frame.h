#pragma once
// The program's one top-level window: the title "name - Quarrow", the menu bar, the accelerators
// and, as its whole client area, the tree view. It takes its position and size from the profile
// when it is made and writes them back when it goes away.

#include <QMainWindow>

#include <array>
#include <functional>

class QCloseEvent;
class QMoveEvent;
class QResizeEvent;
class QShowEvent;

namespace quarrow {
class Profile;
}

namespace quarrow::ui {

class CommandActions;
class CQuarrowView;

class CMainFrame final : public QMainWindow {
    Q_OBJECT
public:
    // Reads "SYSTEM" "X", "Y", "CX", "CY" (5, 10, 300, 600) and places the window there, moved
    // onto a screen and given a usable size when the values would lose it.
    explicit CMainFrame(Profile& profile, QWidget* parent = nullptr);
    // Writes the outer rectangle back: "X", "Y", "CX", "CY", in that order. The view, a child,
    // goes after this and writes its settings.
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The menu bar of `commands`, and their keys (Ctrl+N, Ctrl+O, Ctrl+F, F5) for the whole
    // window, also without the menu bar.
    void LoadFrame(CommandActions& commands);
    void SetView(CQuarrowView* view);
    CQuarrowView* View() const noexcept { return m_pView; }

    // "title - Quarrow".
    void OnUpdateFrameTitle(const QString& documentTitle);
    // Removes the menu bar; the accelerators and the view's pop-up menu stay.
    void RemoveMenuBar();

    // Called when the user or the program asks the window to close; the owner then destroys it.
    void SetCloseHandler(std::function<void()> onClose) { m_onClose = std::move(onClose); }

    // The outer rectangle as it is written to the profile.
    QRect OuterRect() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitFrameIntoOuterSize();

    Profile& m_profile;
    CQuarrowView* m_pView = nullptr;
    std::function<void()> m_onClose;
    std::array<int, 4> m_placementAtStart{};  // "X", "Y", "CX", "CY" as read
    QSize m_outerSize;            // the size asked for, frame included
    bool m_bOuterSizeSet = false;  // the window manager's frame is known and has been taken off
};

}  // namespace quarrow::ui
