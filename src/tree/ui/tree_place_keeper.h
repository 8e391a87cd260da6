#pragma once
// Keeps the user's place in the tree view across a rebuild of its tree: after a new reading of the
// same tags file, and when a tree option changes. The place is the open folders and files, the
// selected node, the first row shown and the horizontal scroll. It is taken before the rebuild (it
// owns its texts, so the old store may go) and put back after the view has rebuilt its tree.

#include <optional>

#include "tree/tree_place.h"

namespace quarrow::ui {

class CQuarrowView;

struct ViewPlace {
    TreePlace tree;
    int horizontalScroll = 0;
    int verticalScroll = 0;  // used when the first row shown is gone
};

ViewPlace CaptureViewPlace(const CQuarrowView& view);
// Puts the place back into the rebuilt tree. When the place holds nothing the user chose, the
// tree keeps the builder's own opening of a one-file tree. With `revealSelection` the nodes above
// the selected one are opened too (a new nesting may have put it under a closed member).
void RestoreViewPlace(CQuarrowView& view, const ViewPlace& place, bool revealSelection = false);

}  // namespace quarrow::ui
