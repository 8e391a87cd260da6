#pragma once
// Keeps the user's place in the tree view across a new reading of the same tags file: the open
// folders and files, the selected node, the first row shown and the horizontal scroll. The
// place is taken before the document loads (it owns its texts, so the old store may go) and put
// back after the view has rebuilt its tree.

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
// tree keeps the builder's own opening of a one-file tree.
void RestoreViewPlace(CQuarrowView& view, const ViewPlace& place);

}  // namespace quarrow::ui
