#include "app/ui/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>

#include "app/ui/command_actions.h"
#include "app/ui/command_menus.h"
#include "app/ui/window_placement.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "tree/ui/quarrow_view.h"

namespace quarrow::ui {

namespace keys = setting_keys;
namespace defaults = setting_defaults;

CMainFrame::CMainFrame(Profile& profile, QWidget* parent) : QMainWindow(parent), m_profile(profile) {
    setObjectName(QStringLiteral("CMainFrame"));
    const int x = m_profile.ReadInt(keys::kSystem, keys::kX, defaults::kX);
    const int y = m_profile.ReadInt(keys::kSystem, keys::kY, defaults::kY);
    const int cx = m_profile.ReadInt(keys::kSystem, keys::kCx, defaults::kCx);
    const int cy = m_profile.ReadInt(keys::kSystem, keys::kCy, defaults::kCy);
    m_placementAtStart = {x, y, cx, cy};
    QList<QRect> screens;
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.push_back(primary->availableGeometry());
    }
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen()) {
            screens.push_back(screen->availableGeometry());
        }
    }
    const QRect rect = UsableWindowRect(x, y, cx, cy, screens);
    // The profile holds the outer rectangle; until the window system tells the frame's size the
    // client area gets all of it, and the frame is taken off when the window is first shown.
    move(rect.topLeft());
    resize(rect.size());
    m_outerSize = rect.size();
}

CMainFrame::~CMainFrame() {
    // A value this window did not change leaves one another window wrote meanwhile.
    const QRect outer = OuterRect();
    const auto& [x, y, cx, cy] = m_placementAtStart;
    m_profile.WriteBackInt(keys::kSystem, keys::kX, outer.left(), x, defaults::kX);
    m_profile.WriteBackInt(keys::kSystem, keys::kY, outer.top(), y, defaults::kY);
    m_profile.WriteBackInt(keys::kSystem, keys::kCx, outer.width(), cx, defaults::kCx);
    m_profile.WriteBackInt(keys::kSystem, keys::kCy, outer.height(), cy, defaults::kCy);
}

QRect CMainFrame::OuterRect() const {
    // A maximized window reports its maximized rectangle, as the next start will open it. The
    // window manager takes borders off a maximized window, and the toolkit may still add the old
    // ones; what lies off the screen is not part of the window.
    QRect outer = frameGeometry();
    if ((isMaximized() || isFullScreen()) && screen() != nullptr) {
        const QRect area = isFullScreen() ? screen()->geometry() : screen()->availableGeometry();
        if (outer.intersects(area)) {
            outer = outer.intersected(area);
        }
    }
    return outer;
}

void CMainFrame::LoadFrame(CommandActions& commands) {
    FillMenuBar(*menuBar(), commands);
    // The keys belong to the window, so they work without the menu bar too.
    for (QAction* action : commands.WithShortcuts()) {
        addAction(action);
    }
}

void CMainFrame::SetView(CQuarrowView* view) {
    m_pView = view;
    setCentralWidget(view);
}

void CMainFrame::OnUpdateFrameTitle(const QString& documentTitle) {
    setWindowTitle(documentTitle + QStringLiteral(" - Quarrow"));
}

void CMainFrame::RemoveMenuBar() {
    menuBar()->hide();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The window is destroyed by its owner, after this event, with the document and the view.
    event->ignore();
    if (m_onClose) {
        m_onClose();
    }
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FitFrameIntoOuterSize();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    FitFrameIntoOuterSize();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitFrameIntoOuterSize();
}

void CMainFrame::FitFrameIntoOuterSize() {
    // Under X11 the window manager adds its frame after the window is mapped, and the frame's size
    // arrives with a later move or resize, not with the first show. Until then the client area
    // holds the whole outer size; the first time a frame shows up it is taken off, once.
    if (m_bOuterSizeSet || !isVisible()) {
        return;
    }
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0) {
        return;
    }
    m_bOuterSizeSet = true;
    if (!isMaximized() && !isFullScreen()) {
        resize(m_outerSize - frame);
    }
}

}  // namespace quarrow::ui
