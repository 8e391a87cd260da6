#include "tree/tree_place.h"

#include <algorithm>
#include <functional>

namespace quarrow {

const TreePlaceIndex::Scope& TreePlaceIndex::ScopeOf(TagTree::Id scopeNode) {
    const auto found = m_scopes.find(scopeNode);
    if (found != m_scopes.end()) {
        return found->second;
    }
    Scope& scope = m_scopes[scopeNode];
    const bool wholeSubtree = scopeNode != TagTree::kRoot && m_tree.Tag(scopeNode) != nullptr;
    // Depth first, in tree order; a folder's or the root's scope stops at its children.
    std::vector<std::pair<TagTree::Id, std::size_t>> stack{{scopeNode, 0}};
    while (!stack.empty()) {
        auto& [parent, row] = stack.back();
        if (row == m_tree.ChildCount(parent)) {
            stack.pop_back();
            continue;
        }
        const TagTree::Id child = m_tree.Child(parent, row++);
        scope[m_tree.Label(child)].push_back(child);
        if (wholeSubtree && m_tree.ChildCount(child) > 0) {
            stack.emplace_back(child, 0);
        }
    }
    if (wholeSubtree) {
        // Equal labels of a file rank in the order of the tags file's lines, where the records
        // lie and which nesting does not change: switching the nesting on or off finds each
        // member again.
        const std::less<const CTagEntry*> precedes;
        for (auto& [label, equal] : scope) {
            std::stable_sort(equal.begin(), equal.end(), [&](TagTree::Id a, TagTree::Id b) {
                return precedes(m_tree.Tag(a), m_tree.Tag(b));
            });
        }
    }
    return scope;
}

PlaceStep TreePlaceIndex::StepOf(TagTree::Id scopeNode, TagTree::Id id) {
    const std::string_view label = m_tree.Label(id);
    const std::vector<TagTree::Id>& equal = ScopeOf(scopeNode).at(label);
    const auto at = std::find(equal.begin(), equal.end(), id);
    return {std::string(label), static_cast<std::uint32_t>(at - equal.begin())};
}

TagTree::Id TreePlaceIndex::FindIn(TagTree::Id scopeNode, const PlaceStep& step) {
    const Scope& scope = ScopeOf(scopeNode);
    const auto found = scope.find(step.label);
    if (found == scope.end() || step.rank >= found->second.size()) {
        return TagTree::kRoot;
    }
    return found->second[step.rank];
}

PlaceKey TreePlaceIndex::KeyOf(TagTree::Id id) {
    // The chain from the top-level node down to `id`.
    std::vector<TagTree::Id> chain;
    for (TagTree::Id at = id; at != TagTree::kRoot; at = m_tree.Parent(at)) {
        chain.push_back(at);
    }
    std::reverse(chain.begin(), chain.end());
    PlaceKey key;
    key.push_back(StepOf(TagTree::kRoot, chain[0]));
    std::size_t fileAt = 0;
    if (m_tree.Tag(chain[0]) == nullptr) {  // a folder: its file comes next
        if (chain.size() == 1) {
            return key;
        }
        key.push_back(StepOf(chain[0], chain[1]));
        fileAt = 1;
    }
    if (chain.size() > fileAt + 1) {
        key.push_back(StepOf(chain[fileAt], id));
    }
    return key;
}

TagTree::Id TreePlaceIndex::Find(const PlaceKey& key) {
    TagTree::Id at = TagTree::kRoot;
    for (const PlaceStep& step : key) {
        at = FindIn(at, step);
        if (at == TagTree::kRoot) {
            break;
        }
    }
    return at;
}

TreePlace CapturePlace(const TagTree& tree, std::span<const TagTree::Id> expanded, TagTree::Id selected,
                       TagTree::Id top) {
    TreePlaceIndex index(tree);
    TreePlace place;
    // A parent is appended before its children, so the order of ids puts parents first.
    std::vector<TagTree::Id> open(expanded.begin(), expanded.end());
    std::sort(open.begin(), open.end());
    place.expanded.reserve(open.size());
    for (const TagTree::Id id : open) {
        place.expanded.push_back(index.KeyOf(id));
    }
    if (selected != TagTree::kRoot) {
        place.selected = index.KeyOf(selected);
    }
    if (top != TagTree::kRoot) {
        place.top = index.KeyOf(top);
    }
    return place;
}

TreePlaceNodes FindPlace(const TagTree& tree, const TreePlace& place) {
    TreePlaceIndex index(tree);
    TreePlaceNodes nodes;
    for (const PlaceKey& key : place.expanded) {
        if (const TagTree::Id id = index.Find(key); id != TagTree::kRoot) {
            nodes.expanded.push_back(id);
        }
    }
    if (place.selected) {
        nodes.selected = index.Find(*place.selected);
    }
    if (place.top) {
        nodes.top = index.Find(*place.top);
    }
    return nodes;
}

}  // namespace quarrow
