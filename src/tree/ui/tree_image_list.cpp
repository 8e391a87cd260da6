#include "tree/ui/tree_image_list.h"

#include <QBitmap>
#include <QColor>
#include <QImage>
#include <QString>

#include "tree/tree_images.h"

// Resources of a static library must be registered by name, outside any namespace.
static void InitTreeResources() { Q_INIT_RESOURCE(quarrow); }

namespace quarrow::ui {

TreeImageList::TreeImageList()
    : TreeImageList([](int id) {
          InitTreeResources();
          return QImage(QStringLiteral(":/tree/%1.png").arg(id));
      }) {}

TreeImageList::TreeImageList(const Loader& load) {
    for (int id : kTreeImageIds) {
        const QImage loaded = load(id);
        QPixmap pixmap;
        if (loaded.isNull()) {
            // A blank of the same size holds the place: the builder's image numbers stay right.
            pixmap = QPixmap(16, 15);
            pixmap.fill(Qt::transparent);
        } else {
            // The tree's images are 16 x 15; a larger picture contributes its top-left corner.
            pixmap = QPixmap::fromImage(loaded.copy(0, 0, 16, 15).convertToFormat(QImage::Format_ARGB32));
            pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255), Qt::MaskInColor));
        }
        QIcon icon;
        icon.addPixmap(pixmap, QIcon::Normal);
        icon.addPixmap(pixmap, QIcon::Selected);
        m_pixmaps.push_back(pixmap);
        m_icons.push_back(icon);
    }
}

QIcon TreeImageList::Icon(int index) const {
    return index >= 0 && index < Count() ? m_icons[static_cast<std::size_t>(index)] : QIcon();
}

QPixmap TreeImageList::Pixmap(int index) const {
    return index >= 0 && index < Count() ? m_pixmaps[static_cast<std::size_t>(index)] : QPixmap();
}

}  // namespace quarrow::ui
