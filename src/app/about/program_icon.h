#pragma once
// The program's icon (res/icons, drawn by res/make_images.py): the window's icon and the
// About box's picture.

#include <QIcon>

namespace quarrow::ui {

QIcon ProgramIcon();

}  // namespace quarrow::ui
