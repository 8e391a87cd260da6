#include "widgets/dialog_placement.h"

#include <QDialog>
#include <QLayout>
#include <QScreen>

#include <algorithm>

namespace quarrow::ui {

void CentreOnOwnerWindow(QDialog& dialog) {
    const QWidget* parent = dialog.parentWidget();
    if (parent == nullptr) {
        return;
    }
    const QWidget* owner = parent->window();
    if (dialog.layout() != nullptr) {
        dialog.layout()->activate();  // the size it will show with
    }
    dialog.ensurePolished();
    const QSize size = dialog.size().expandedTo(dialog.minimumSize());
    // The owner's client area, in screen coordinates.
    const QRect ownerArea(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    QPoint client = ownerArea.center() - QPoint(size.width() / 2, size.height() / 2) + QPoint(1, 1);
    // Our frame's thickness: the dialog's own once it has been shown, else the owner's.
    const QWidget& framed = dialog.frameGeometry() != dialog.geometry() ? static_cast<const QWidget&>(dialog) : *owner;
    const QPoint frameOffset = framed.geometry().topLeft() - framed.frameGeometry().topLeft();
    const QSize frameExtra = framed.frameGeometry().size() - framed.geometry().size();
    if (const QScreen* screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        // The whole frame on the screen, its top-left corner first.
        client.setX(std::max(area.left() + frameOffset.x(),
                             std::min(client.x(), area.right() + 1 - size.width() - (frameExtra.width() - frameOffset.x()))));
        client.setY(std::max(area.top() + frameOffset.y(),
                             std::min(client.y(), area.bottom() + 1 - size.height() - (frameExtra.height() - frameOffset.y()))));
    }
    dialog.move(client - frameOffset);  // a top-level window is moved by its frame's corner
}

}  // namespace quarrow::ui
