#include "app/about/program_icon.h"

namespace quarrow::ui {

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/quarrow-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace quarrow::ui
