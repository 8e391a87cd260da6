#pragma once
// The tree images, loaded from the program's resources in image-table order. Each picture is
// 16 x 15 pixels on a magenta (255, 0, 255) ground, which becomes transparent.

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <vector>

namespace quarrow::ui {

class TreeImageList final {
public:
    // The picture of a bitmap id; a null image when it cannot be had.
    using Loader = std::function<QImage(int bitmapId)>;

    // Loads every image of the table from the program's resources.
    TreeImageList();
    // Loads them through `load` (tests).
    explicit TreeImageList(const Loader& load);

    // The images in table order, one for every bitmap id. A picture that cannot be loaded leaves
    // a blank (fully transparent) image in its place, so every later image keeps its index.
    int Count() const noexcept { return static_cast<int>(m_icons.size()); }
    // The icon at `index`, or a null icon outside the list.
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;

private:
    std::vector<QPixmap> m_pixmaps;
    std::vector<QIcon> m_icons;
};

}  // namespace quarrow::ui
