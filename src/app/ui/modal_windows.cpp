#include "app/ui/modal_windows.h"

#include <QApplication>
#include <QDialog>
#include <QThread>
#include <QWidget>

namespace quarrow::ui {

bool EndModalWindows() {
    bool ended = false;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        ended = true;
    }
    // One modal window at a time, the innermost first: the one under it may only return once
    // the inner one's loop has.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();  // what Cancel, Esc or the title bar's close button does
        } else {
            modal->close();
        }
        ended = true;
    }
    // The main event loop is level 1; anything deeper belongs to a window just ended (its exec()
    // has not returned yet) or to one that cannot be seen from here.
    return ended || QThread::currentThread()->loopLevel() > 1;
}

}  // namespace quarrow::ui
