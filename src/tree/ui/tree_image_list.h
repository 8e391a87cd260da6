#pragma once
// The fourteen tree images, loaded from the program's resources in image-table order. Each
// picture is 16 x 15 pixels on a magenta (255, 0, 255) ground, which becomes transparent.

#include <QIcon>
#include <QPixmap>

#include <vector>

namespace quarrow::ui {

class TreeImageList final {
public:
    TreeImageList();  // loads every image; one that cannot be loaded is left out

    // The images in table order. A missing picture shifts the later ones down, as an image list
    // that was filled without checks would.
    int Count() const noexcept { return static_cast<int>(m_icons.size()); }
    // The icon at `index`, or a null icon outside the list.
    QIcon Icon(int index) const;
    QPixmap Pixmap(int index) const;

private:
    std::vector<QPixmap> m_pixmaps;
    std::vector<QIcon> m_icons;
};

}  // namespace quarrow::ui
