#include "app/ui/window_placement.h"

#include <algorithm>

namespace quarrow::ui {
namespace {

// A window can be moved by the user as long as this much of its top edge lies on a screen.
constexpr int kGripWidth = 48;
constexpr int kGripHeight = 16;

}  // namespace

QRect UsableWindowRect(int left, int top, int width, int height, const QList<QRect>& screens) {
    // Coordinates far outside any desktop are brought near it first, so no sum overflows.
    constexpr int kFar = 1 << 24;
    width = std::clamp(width, kMinWindowWidth, kFar);
    height = std::clamp(height, kMinWindowHeight, kFar);
    int x = std::clamp(left, -kFar, kFar);
    int y = std::clamp(top, -kFar, kFar);
    if (screens.isEmpty()) {
        return QRect(x, y, std::min(width, 1 << 14), std::min(height, 1 << 14));
    }
    // The screen the window overlaps most; the primary when it overlaps none.
    const QRect whole(x, y, width, height);
    const QRect* best = &screens.front();
    long long bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect common = screen.intersected(whole);
        const long long area = common.isEmpty() ? 0 : 1LL * common.width() * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    width = std::min(width, best->width());
    height = std::min(height, best->height());
    const QRect grip(x, y, width, kGripHeight);
    const bool reachable = std::any_of(screens.begin(), screens.end(), [&grip](const QRect& screen) {
        const QRect common = screen.intersected(grip);
        return common.width() >= std::min(kGripWidth, grip.width()) && common.height() >= kGripHeight;
    });
    if (!reachable) {
        x = std::clamp(x, best->left(), best->left() + best->width() - width);
        y = std::clamp(y, best->top(), best->top() + best->height() - height);
    }
    return QRect(x, y, width, height);
}

}  // namespace quarrow::ui
