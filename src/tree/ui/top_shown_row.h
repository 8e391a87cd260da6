#pragma once
// The row at the top of a tree view's viewport. It is looked for inside the column: in a
// right-to-left view the column sits at the right, and the viewport's left edge may be off it.

#include <QModelIndex>
#include <QPoint>
#include <QTreeView>

namespace quarrow::ui {

inline QModelIndex TopShownRow(const QTreeView& view) {
    return view.indexAt(QPoint(view.columnViewportPosition(0) + view.columnWidth(0) / 2, 0));
}

}  // namespace quarrow::ui
