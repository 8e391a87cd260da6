#include "tree/ui/tree_place_keeper.h"

#include <QItemSelectionModel>
#include <QScrollBar>

#include <unordered_set>
#include <vector>

#include "tree/ui/quarrow_view.h"
#include "tree/ui/top_shown_row.h"

namespace quarrow::ui {

ViewPlace CaptureViewPlace(const CQuarrowView& view) {
    const TagTreeItemModel& model = view.Model();
    const TagTree& tree = model.Tree();
    std::vector<TagTree::Id> open;
    for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
        if (tree.ChildCount(id) > 0 && view.isExpanded(model.IndexOf(id))) {
            open.push_back(id);
        }
    }
    TagTree::Id selected = TagTree::kRoot;
    if (const QItemSelectionModel* selection = view.selectionModel(); selection && selection->hasSelection()) {
        selected = model.IdOf(selection->selectedIndexes().value(0));
    }
    const TagTree::Id top = model.IdOf(TopShownRow(view));
    ViewPlace place;
    place.tree = CapturePlace(tree, open, selected, top);
    place.horizontalScroll = view.horizontalScrollBar()->value();
    place.verticalScroll = view.verticalScrollBar()->value();
    return place;
}

void RestoreViewPlace(CQuarrowView& view, const ViewPlace& place, bool revealSelection) {
    if (place.tree.Empty() && !place.tree.top) {
        return;
    }
    TagTreeItemModel& model = view.Model();
    const TreePlaceNodes nodes = FindPlace(model.Tree(), place.tree);
    if (!place.tree.Empty()) {
        // The user's choice, not the builder's, decides what is open. Folding only what the
        // builder opened keeps the tree's layout pending, so each expansion below is cheap.
        const TagTree& tree = model.Tree();
        const std::unordered_set<TagTree::Id> open(nodes.expanded.begin(), nodes.expanded.end());
        for (TagTree::Id id = 0; id < tree.NodeCount(); ++id) {
            if (tree.IsExpanded(id) && !open.contains(id)) {
                view.collapse(model.IndexOf(id));
            }
        }
        for (const TagTree::Id id : nodes.expanded) {
            view.expand(model.Reach(id));
        }
        if (nodes.selected != TagTree::kRoot) {
            const QModelIndex index = model.Reach(nodes.selected);
            for (QModelIndex above = index.parent(); revealSelection && above.isValid(); above = above.parent()) {
                view.expand(above);
            }
            view.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        }
    }
    if (nodes.top != TagTree::kRoot) {
        view.scrollTo(model.Reach(nodes.top), QAbstractItemView::PositionAtTop);
    } else {
        view.verticalScrollBar()->setValue(place.verticalScroll);
    }
    view.horizontalScrollBar()->setValue(place.horizontalScroll);
}

}  // namespace quarrow::ui
