#pragma once
// Keeps the main window usable whatever the profile says: a rectangle that lies off every screen,
// or whose size is 0 or absurd, is brought onto a screen with a size that fits it.

#include <QList>
#include <QRect>

namespace quarrow::ui {

// The smallest window that still shows its menu and a few rows of the tree.
inline constexpr int kMinWindowWidth = 160;
inline constexpr int kMinWindowHeight = 120;

// The outer rectangle read from the profile (screen pixels) as it may be used on `screens`
// (their available areas, the primary first). The size is kept between the minimum and the size of the screen the
// window overlaps most (the primary when none); the position is kept while enough of the top
// edge lies on a screen for the user to grab it, otherwise the window is moved onto that screen.
// With no screen at all the rectangle only gets a sane size.
QRect UsableWindowRect(int left, int top, int width, int height, const QList<QRect>& screens);

}  // namespace quarrow::ui
