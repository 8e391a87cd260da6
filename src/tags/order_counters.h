#pragma once
// Small counting structures of the store order: Fenwick trees over a few keys, reused from file
// to file without giving back their memory.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quarrow::order {

using Index = std::uint32_t;

// Counts of small keys, to ask how many keys below a value have been added. Reused: Reset keeps
// the memory.
class Fenwick final {
public:
    void Reset(std::size_t size) {
        m_tree.assign(size + 1, 0);
        m_top = 1;
        while (m_top * 2 < m_tree.size()) {
            m_top *= 2;
        }
    }

    void Add(Index key, Index amount = 1) noexcept {
        for (std::size_t i = key + 1; i < m_tree.size(); i += i & (~i + 1)) {
            m_tree[i] += amount;
        }
    }
    // How many added keys are less than `key`.
    Index CountBelow(Index key) const noexcept {
        Index sum = 0;
        for (std::size_t i = key; i > 0; i -= i & (~i + 1)) {
            sum += m_tree[i];
        }
        return sum;
    }
    // The smallest key below which more than `nth` added keys lie (nth counts from 0).
    Index FindNth(Index nth) const noexcept {
        std::size_t at = 0;
        for (std::size_t step = m_top; step > 0; step /= 2) {
            if (at + step < m_tree.size() && m_tree[at + step] <= nth) {
                at += step;
                nth -= m_tree[at];
            }
        }
        return static_cast<Index>(at);
    }

private:
    std::vector<Index> m_tree;
    std::size_t m_top = 1;
};

// Slots 0 .. n - 1, all free at first; takes the n-th free one (counting from 0).
class FreeSlots final {
public:
    void Reset(Index size) {
        m_tree.resize(size + 1);
        for (std::size_t i = 1; i < m_tree.size(); ++i) {
            m_tree[i] = static_cast<Index>(i & (~i + 1));  // every slot free
        }
        m_top = 1;
        while (m_top * 2 < m_tree.size()) {
            m_top *= 2;
        }
    }

    Index TakeNth(Index nth) noexcept {
        std::size_t at = 0;
        for (std::size_t step = m_top; step > 0; step /= 2) {
            if (at + step < m_tree.size() && m_tree[at + step] <= nth) {
                at += step;
                nth -= m_tree[at];
            }
        }
        // `at` is the slot's index (the tree counts from 1).
        for (std::size_t i = at + 1; i < m_tree.size(); i += i & (~i + 1)) {
            --m_tree[i];
        }
        return static_cast<Index>(at);
    }

private:
    std::vector<Index> m_tree;
    std::size_t m_top = 1;
};

// Counts over a stretch of a shared array: a Fenwick tree of `size` keys whose nodes 1 .. size
// are tree[0] .. tree[size - 1]. Each group of a file keeps its own stretch of one array.
inline void StretchAdd(Index* tree, Index size, Index key) noexcept {
    for (Index i = key + 1; i <= size; i += i & (~i + 1)) {
        ++tree[i - 1];
    }
}

inline Index StretchCountBelow(const Index* tree, Index key) noexcept {
    Index sum = 0;
    for (Index i = key; i > 0; i -= i & (~i + 1)) {
        sum += tree[i - 1];
    }
    return sum;
}

}  // namespace quarrow::order
