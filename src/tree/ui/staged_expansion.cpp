#include "tree/ui/staged_expansion.h"

#include <chrono>
#include <limits>

#include "tree/ui/quarrow_view.h"

namespace quarrow::ui {
namespace {

// Rows laid out before the first paint: a few screens, so the first scrolling finds them ready.
constexpr std::size_t kFirstRows = 2000;
// The longest a slice keeps the window from answering.
constexpr std::chrono::milliseconds kSlice{8};

}  // namespace

StagedExpansion::StagedExpansion(CQuarrowView& view) : QObject(&view), m_view(view) {
    m_next.setSingleShot(true);
    m_next.setInterval(0);
    connect(&m_next, &QTimer::timeout, this, &StagedExpansion::Slice);
}

void StagedExpansion::Start(std::shared_ptr<const TagTreeFilter> filter) {
    Cancel();
    m_filter = std::move(filter);
    if (!m_filter) {
        return;
    }
    m_rows = m_filter->ChildCount(TagTree::kRoot);
    m_stack.push_back({TagTree::kRoot, 0});
    Advance(kFirstRows, false);
    if (Pending()) {
        m_next.start();
    }
}

void StagedExpansion::Finish() {
    if (Pending() && m_view.Model().Filter() == m_filter) {
        m_view.LayOutPendingRows();
        Advance(std::numeric_limits<std::size_t>::max(), false);
    }
    Cancel();
}

void StagedExpansion::Cancel() {
    m_next.stop();
    m_stack.clear();
    m_filter.reset();
}

void StagedExpansion::Slice() {
    if (m_view.Model().Filter() != m_filter) {
        Cancel();  // the model shows something else now
        return;
    }
    // Laid out first, so that each node opened below adds only its own rows.
    m_view.LayOutPendingRows();
    Advance(std::numeric_limits<std::size_t>::max(), true);
    if (Pending()) {
        m_next.start();
    } else {
        Cancel();
    }
}

void StagedExpansion::Advance(std::size_t rows, bool timed) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + kSlice;
    const TagTreeFilter& filter = *m_filter;
    std::vector<TagTree::Id> open;
    std::size_t visited = 0;
    while (!m_stack.empty() && m_rows < rows) {
        if (timed && ++visited % 256 == 0 && Clock::now() >= end) {
            break;
        }
        Frame& top = m_stack.back();
        if (top.row == filter.ChildCount(top.parent)) {
            m_stack.pop_back();
            continue;
        }
        const TagTree::Id id = filter.Child(top.parent, top.row++);
        if (filter.IsExpanded(id)) {
            open.push_back(id);
            m_rows += filter.ChildCount(id);
            m_stack.push_back({id, 0});
            if (timed && open.size() == 64) {
                m_view.ExpandQuietly(open);  // in small batches, so the clock is looked at often
                open.clear();
                if (Clock::now() >= end) {
                    break;
                }
            }
        }
    }
    m_view.ExpandQuietly(open);
}

}  // namespace quarrow::ui
