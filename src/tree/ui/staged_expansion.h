#pragma once
// Opens the nodes a filter shows open, a screenful first and the rest a slice at a time. A tree
// view lays out every row below an open node at once, so opening the hundreds of thousands of
// rows a one-letter filter keeps would hold the window for a tenth of a second or more: here the
// first rows are laid out before the first paint, and the others follow in short slices between
// events, in the order they are shown, so a key pressed meanwhile is answered at once.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

#include "tree/tag_tree.h"
#include "tree/tag_tree_filter.h"

namespace quarrow::ui {

class CQuarrowView;

class StagedExpansion final : public QObject {
    Q_OBJECT
public:
    explicit StagedExpansion(CQuarrowView& view);

    // Opens the first nodes `filter` (the one the view's model shows) shows open now, and the
    // others in later slices. Drops a staged expansion under way.
    void Start(std::shared_ptr<const TagTreeFilter> filter);
    // Opens every node still left, now.
    void Finish();
    // Drops the nodes not yet opened (the model is about to show something else).
    void Cancel();
    bool Pending() const noexcept { return !m_stack.empty(); }

private:
    // Opens nodes in the order they are shown until the rows laid out reach `rows` or the time
    // of a slice has passed (`timed`).
    void Advance(std::size_t rows, bool timed);
    void Slice();

    struct Frame {
        TagTree::Id parent;
        std::uint32_t row;
    };

    CQuarrowView& m_view;
    std::shared_ptr<const TagTreeFilter> m_filter;
    std::vector<Frame> m_stack;  // the walk through the kept nodes, in the order shown
    std::size_t m_rows = 0;      // rows below the opened nodes so far
    QTimer m_next;
};

}  // namespace quarrow::ui
