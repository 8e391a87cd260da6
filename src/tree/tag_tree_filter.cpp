#include "tree/tag_tree_filter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <system_error>
#include <thread>

#include "tags/tag_entry.h"

namespace quarrow {
namespace {

constexpr unsigned char Fold(unsigned char byte) noexcept {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Nodes between two looks at the cancel flag.
constexpr std::size_t kCancelStride = 8192;

// Which bytes a label holds: a bit for each ASCII letter (either case) and one for '_', which name
// a byte exactly, and five classes for every other byte. A label holding a text holds every bit
// the text does, so most labels are ruled out without reading them again, and a text of one
// letter or '_' is answered by the bits alone. A folder's signature is 0 (its label is not
// matched), and every text's is not.
using Signature = std::uint32_t;
constexpr unsigned BitOf(unsigned char byte) noexcept {
    const unsigned char folded = Fold(byte);
    if (folded >= 'a' && folded <= 'z') {
        return folded - 'a';
    }
    return folded == '_' ? 26u : 27u + folded % 5u;
}
constexpr bool IsExactBit(unsigned bit) noexcept { return bit <= 26u; }

Signature SignatureOf(std::string_view label) noexcept {
    Signature signature = 0;
    for (const char byte : label) {
        signature |= Signature{1} << BitOf(static_cast<unsigned char>(byte));
    }
    return signature;
}

using Bits = std::vector<std::uint64_t>;
constexpr std::size_t kWordBits = 64;

bool Test(const Bits& bits, std::size_t at) noexcept { return (bits[at / kWordBits] >> (at % kWordBits) & 1) != 0; }
void Set(Bits& bits, std::size_t at) noexcept { bits[at / kWordBits] |= std::uint64_t{1} << (at % kWordBits); }
// The bits [at, at + 64) of `bits` (zeros past its end), the first in the lowest place.
std::uint64_t BitsFrom(const Bits& bits, std::size_t at) noexcept {
    const std::size_t word = at / kWordBits;
    const unsigned shift = at % kWordBits;
    std::uint64_t low = word < bits.size() ? bits[word] >> shift : 0;
    if (shift != 0 && word + 1 < bits.size()) {
        low |= bits[word + 1] << (kWordBits - shift);
    }
    return low;
}
// Ors the low `count` bits of `value` (at most 64) into `bits` from `at` on.
void OrAt(Bits& bits, std::size_t at, std::uint64_t value, std::size_t count) noexcept {
    if (count < kWordBits) {
        value &= (std::uint64_t{1} << count) - 1;
    }
    const std::size_t word = at / kWordBits;
    const unsigned shift = at % kWordBits;
    bits[word] |= value << shift;
    if (shift != 0 && shift + count > kWordBits) {
        bits[word + 1] |= value >> (kWordBits - shift);
    }
}
// Sets the bits [at, at + count) of `bits`.
void SetRange(Bits& bits, std::size_t at, std::size_t count) noexcept {
    for (std::size_t done = 0; done < count; done += kWordBits) {
        OrAt(bits, at + done, ~std::uint64_t{0}, std::min(kWordBits, count - done));
    }
}

// The place of the set bit numbered `n` (from 0, below the count of set bits) in `bits`: whole
// bytes are skipped by their counts, then the lowest bits of the byte cleared.
constexpr auto kByteCounts = [] {
    std::array<std::uint8_t, 256> counts{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        counts[byte] = static_cast<std::uint8_t>(std::popcount(byte));
    }
    return counts;
}();
std::size_t NthBit(std::uint64_t bits, std::size_t n) noexcept {
    std::size_t place = 0;
    for (std::size_t count = kByteCounts[bits & 0xFF]; n >= count; count = kByteCounts[bits & 0xFF]) {
        n -= count;
        bits >>= 8;
        place += 8;
    }
    for (; n > 0; --n) {
        bits &= bits - 1;
    }
    return place + static_cast<std::size_t>(std::countr_zero(bits));
}

// Calls run(first, count) when the children of `parent` are the ids [first, first + count), else
// each(child) for each child.
template <typename Run, typename Each>
void ForChildren(const TagTree& tree, TagTree::Id parent, Run run, Each each) {
    const std::size_t count = tree.ChildCount(parent);
    const TagTree::Id first = tree.FirstOfConsecutiveChildren(parent);
    if (first != TagTree::kNoNode) {
        run(first, count);
        return;
    }
    for (std::size_t row = 0; row < count; ++row) {
        each(tree.Child(parent, row));
    }
}

// Runs work(first, last) over the words [0, count) in two halves side by side, the second on a
// thread of its own (or after the first when no thread can be had). False when either half was
// cancelled.
template <typename Work>
bool InTwo(std::size_t count, Work& work) {
    constexpr std::size_t kWorthASecondThread = 1024;  // words of 64 nodes
    if (count < kWorthASecondThread) {
        return work(0, count);
    }
    const std::size_t half = count / 2;
    bool second = false;
    std::thread helper;
    try {
        helper = std::thread([&] { second = work(half, count); });
    } catch (const std::system_error&) {
        second = work(half, count);
    }
    const bool first = work(0, half);
    if (helper.joinable()) {
        helper.join();
    }
    return first && second;
}

}  // namespace

TagFilterText::TagFilterText(std::string_view text, CodePage cp) : m_cp(cp) {
    m_text.reserve(text.size());
    m_folds.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = CharWidthAt(cp, text, i);
        if (width == 2) {
            m_text.append(text.substr(i, 2));
            m_folds.append(2, '\0');
        } else {
            const auto byte = static_cast<unsigned char>(text[i]);
            m_text.push_back(static_cast<char>(Fold(byte)));
            m_folds.push_back(Fold(byte) != byte || (byte >= 'a' && byte <= 'z') ? '\1' : '\0');
        }
        i += width;
    }
}

bool TagFilterText::IsIn(std::string_view label) const noexcept {
    const std::size_t size = m_text.size();
    if (size == 0) {
        return true;
    }
    if (label.size() < size) {
        return false;
    }
    const auto* needle = reinterpret_cast<const unsigned char*>(m_text.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(label.data());
    const std::size_t last = label.size() - size;
    if (m_cp != CodePage::ShiftJis) {
        // Byte-wise: folding a byte that is not an ASCII letter changes nothing.
        const unsigned char first = needle[0];
        for (std::size_t i = 0; i <= last; ++i) {
            if (Fold(bytes[i]) != first) {
                continue;
            }
            std::size_t j = 1;
            while (j < size && Fold(bytes[i + j]) == needle[j]) {
                ++j;
            }
            if (j == size) {
                return true;
            }
        }
        return false;
    }
    // Code page 932: start only on a character boundary and fold only where the text has a
    // single-byte letter. Both start on a boundary and agree byte for byte, so their characters
    // line up: a folded byte of the text always meets a single-byte character of the label.
    for (std::size_t i = 0; i <= last; i += CharWidthAt(m_cp, label, i)) {
        std::size_t j = 0;
        while (j < size) {
            const unsigned char byte = m_folds[j] != 0 ? Fold(bytes[i + j]) : bytes[i + j];
            if (byte != needle[j]) {
                break;
            }
            ++j;
        }
        if (j == size) {
            return true;
        }
    }
    return false;
}

bool TagFilterText::Narrows(const TagFilterText& wider) const noexcept {
    // A label containing this text contains every part of it on a character boundary.
    return m_cp == wider.m_cp && !wider.Empty() && FindText(m_cp, m_text, wider.m_text) != std::string_view::npos;
}

bool TagTreeFilter::Apply(const TagTree& tree, const TagFilterText& text, const TagTreeFilter* previous,
                          Cancel cancel) {
    assert(tree.IsBuilt());
    m_text = text;
    m_tree = &tree;
    KeepNothing();
    const std::size_t count = tree.NodeCount();
    // Kept when this filter is made from the same tree, or by an empty text (Signatures()).
    if (previous == nullptr || previous->m_tree != &tree) {
        m_signatures.reset();
    } else if (previous != this) {
        m_signatures = previous->m_signatures;
    }
    if ((text.Empty() && !m_facets.Active()) || count == 0) {
        return true;
    }
    const std::size_t words = count / kWordBits + 1;

    // The labels that contain the text are looked for among every node with a tag, or only
    // among the previous matches when this text narrows the previous one. Only the labels that
    // may matter are read: the signatures rule out most labels and answer a text of one letter
    // alone.
    const bool narrowing = previous != nullptr && previous != this && previous->m_tree == &tree &&
                           text.Narrows(previous->m_text);
    const Bits* previousMatches = narrowing ? &previous->m_matched : nullptr;
    // The label signatures: the previous filter's when it was made from this tree, else made
    // while this one reads every label (not when it reads only the previous matches).
    std::shared_ptr<const std::vector<Signature>> known;
    if (previous != nullptr && previous->m_tree == &tree && previous->m_signatures &&
        previous->m_signatures->size() == count) {
        known = previous->m_signatures;
    }
    std::vector<Signature> made;
    // Facets alone read no label: no signatures are made then.
    if (!known && !narrowing && !text.Empty()) {
        made.resize(count);
    }
    const Signature needed = SignatureOf(text.Text());
    // One single-byte letter or '_': its bit says whether a label holds it. Under code page 932
    // a trail byte may set a letter's bit, so the labels are read there.
    const bool bitsAnswer = known && text.Text().size() == 1 && text.GetCodePage() != CodePage::ShiftJis &&
                            IsExactBit(BitOf(static_cast<unsigned char>(text.Text()[0])));

    Bits matched(words, 0);
    // The nodes of word `word` (64 ids) whose signature allows a match, among the previous
    // matches when narrowing.
    auto mayHold = [&](std::size_t word) {
        std::uint64_t bits = previousMatches == nullptr ? ~std::uint64_t{0}
                             : word < previousMatches->size() ? (*previousMatches)[word]
                                                              : 0;
        if (!known) {
            return bits;
        }
        const std::size_t first = word * kWordBits;
        const std::size_t n = std::min(kWordBits, count - std::min(count, first));
        const Signature* signature = known->data() + first;
        std::uint64_t allowed = 0;
        for (std::size_t i = 0; i < n; ++i) {
            allowed |= std::uint64_t{(signature[i] & needed) == needed} << i;
        }
        return bits & allowed;
    };
    // Marks the matches among the words [firstWord, lastWord) of node ids. The two halves write
    // words of their own. False when cancelled.
    auto match = [&](std::size_t firstWord, std::size_t lastWord) {
        constexpr std::size_t kCancelWords = kCancelStride / kWordBits;
        if (text.Empty()) {
            // Facets alone: every file counts as kept by its name.
            const std::size_t last = std::min(count, lastWord * kWordBits);
            for (std::size_t id = firstWord * kWordBits; id < last; ++id) {
                const auto at = static_cast<Id>(id);
                if (tree.Tag(at) != nullptr &&
                    (tree.Parent(at) == TagTree::kRoot || tree.Tag(tree.Parent(at)) == nullptr)) {
                    Set(matched, id);
                }
            }
            return true;
        }
        if (bitsAnswer) {
            for (std::size_t word = firstWord; word < lastWord; ++word) {
                if ((word - firstWord) % kCancelWords == 0 && cancel.Requested()) {
                    return false;
                }
                matched[word] = mayHold(word);
            }
            return true;
        }
        // Labels view lines scattered over the file: ask for a later label now so that the
        // cache misses overlap.
        constexpr std::size_t kAhead = 32;
        if (!made.empty()) {
            const std::size_t last = std::min(count, lastWord * kWordBits);
            for (std::size_t id = firstWord * kWordBits; id < last; ++id) {
                if (id % kCancelStride == 0 && cancel.Requested()) {
                    return false;
                }
                const auto at = static_cast<Id>(id);
                if (id + kAhead < last && tree.Tag(at + kAhead) != nullptr) {
                    __builtin_prefetch(tree.Label(at + kAhead).data());
                }
                if (tree.Tag(at) == nullptr) {
                    continue;  // a folder: its label is not matched
                }
                const std::string_view label = tree.Label(at);
                const Signature signature = SignatureOf(label);
                made[id] = signature;
                if ((signature & needed) == needed && text.IsIn(label)) {
                    Set(matched, id);
                }
            }
            return true;
        }
        // The labels to read are listed a stretch at a time, so that a label far ahead in the
        // list can be asked for while this one is compared. Two misses a label: its record, then
        // the line the record points into. The record is asked for twice as far ahead, so that
        // reading where the line is does not wait for it.
        constexpr std::size_t kStretch = 4096;
        std::vector<Id> listed;
        listed.reserve(kStretch + kWordBits);
        auto read = [&] {
            const std::size_t n = listed.size();
            for (std::size_t at = 0; at < n; ++at) {
                if (at + 2 * kAhead < n) {
                    tree.PrefetchRecord(listed[at + 2 * kAhead]);
                }
                if (at + kAhead < n) {
                    tree.PrefetchLabel(listed[at + kAhead]);
                }
                if (text.IsIn(tree.Label(listed[at]))) {
                    Set(matched, listed[at]);
                }
            }
            listed.clear();
        };
        for (std::size_t word = firstWord; word < lastWord; ++word) {
            if ((word - firstWord) % kCancelWords == 0 && cancel.Requested()) {
                return false;
            }
            for (std::uint64_t bits = mayHold(word); bits != 0; bits &= bits - 1) {
                const std::size_t id = word * kWordBits + static_cast<std::size_t>(std::countr_zero(bits));
                if (id < count && tree.Tag(static_cast<Id>(id)) != nullptr) {
                    listed.push_back(static_cast<Id>(id));
                }
            }
            if (listed.size() >= kStretch) {
                read();
            }
        }
        read();
        return true;
    };
    if (!InTwo(words, match)) {
        return false;
    }
    if (known) {
        m_signatures = std::move(known);
    } else if (!made.empty()) {
        m_signatures = std::make_shared<const std::vector<Signature>>(std::move(made));
    }
    // The members the facets hide (those with a tag under a node with a tag) leave the matches;
    // the text's own matches stay for a later, narrower text.
    Bits hidden;
    Bits textMatches;
    if (m_facets.Active()) {
        hidden.assign(words, 0);
        for (std::size_t id = 0; id < count; ++id) {
            const auto at = static_cast<Id>(id);
            const CTagEntry* tag = tree.Tag(at);
            if (tag != nullptr && tree.Parent(at) != TagTree::kRoot && tree.Tag(tree.Parent(at)) != nullptr &&
                !m_facets.Shows(*tag)) {
                Set(hidden, id);
            }
        }
        textMatches = matched;
        for (std::size_t word = 0; word < words; ++word) {
            matched[word] &= ~hidden[word];
        }
    }

    // Walks over the parents, a word of the tree's parent bits at a time.
    const Bits& parents = tree.ParentBits();
    // Downward (a parent comes before its children): a file kept by its name (a matched node with
    // a tag whose parent has none: not a member) keeps everything below it.
    Bits kept(words, 0);  // by id: whole, then every kept node
    for (std::size_t word = 0; word < parents.size(); ++word) {
        // Read again after each parent: a child in the same word comes after its parent in it.
        for (std::uint64_t ahead = ~std::uint64_t{0};;) {
            const std::uint64_t bits = parents[word] & (matched[word] | kept[word]) & ahead;
            if (bits == 0) {
                break;
            }
            const auto bit = static_cast<unsigned>(std::countr_zero(bits));
            ahead = bit == kWordBits - 1 ? 0 : ~std::uint64_t{0} << (bit + 1);
            const auto parent = static_cast<Id>(word * kWordBits + bit);
            if (!Test(kept, parent)) {
                const Id above = tree.Parent(parent);
                if (above != TagTree::kRoot && tree.Tag(above) != nullptr) {
                    continue;  // a matched member: only its matched members are kept
                }
            }
            ForChildren(
                tree, parent, [&](Id first, std::size_t n) { SetRange(kept, first, n); },
                [&](Id child) { Set(kept, child); });
        }
    }

    for (std::size_t word = 0; word < hidden.size(); ++word) {
        kept[word] &= ~hidden[word];
    }

    // Upward (children before their parents): a node kept for its own label, or above one, opens
    // its parent and keeps it; a member kept only as part of a file kept by its name leaves its
    // parent as it is.
    Bits open(words, 0);
    auto opens = [&](std::size_t at) { return Test(matched, at) || Test(open, at); };
    for (std::size_t word = parents.size(); word-- > 0;) {
        for (std::uint64_t bits = parents[word]; bits != 0;) {
            const auto bit = static_cast<unsigned>(kWordBits - 1 - static_cast<unsigned>(std::countl_zero(bits)));
            bits &= ~(std::uint64_t{1} << bit);
            const std::size_t parent = word * kWordBits + bit;
            bool any = false;
            ForChildren(
                tree, static_cast<Id>(parent),
                [&](Id first, std::size_t n) {
                    for (std::size_t done = 0; done < n && !any; done += kWordBits) {
                        std::uint64_t part = BitsFrom(matched, first + done) | BitsFrom(open, first + done);
                        if (n - done < kWordBits) {
                            part &= (std::uint64_t{1} << (n - done)) - 1;
                        }
                        any = part != 0;
                    }
                },
                [&](Id child) { any = any || opens(child); });
            if (any) {
                Set(open, parent);
            }
        }
        if (word % (kCancelStride / kWordBits) == 0 && cancel.Requested()) {
            return false;
        }
    }
    for (std::size_t word = 0; word < words; ++word) {
        kept[word] |= matched[word] | open[word];
    }

    // The kept nodes in the tree's children order: the root's children, then each parent's in
    // id order. A parent's consecutive children are copied 64 at a time; a kept node's parent is
    // kept, so only kept parents are looked at.
    m_kept.assign(words, 0);
    const std::size_t rootChildren = tree.ChildCount(TagTree::kRoot);
    for (std::size_t row = 0; row < rootChildren; ++row) {
        if (Test(kept, tree.Child(TagTree::kRoot, row))) {
            Set(m_kept, row);
        }
    }
    std::size_t place = rootChildren;
    for (std::size_t word = 0; word < parents.size(); ++word) {
        for (std::uint64_t bits = parents[word]; bits != 0; bits &= bits - 1) {
            const auto parent = static_cast<Id>(word * kWordBits + static_cast<std::size_t>(std::countr_zero(bits)));
            const std::size_t start = place;
            place += tree.ChildCount(parent);
            if (!Test(kept, parent)) {
                continue;
            }
            std::size_t row = 0;
            ForChildren(
                tree, parent,
                [&](Id first, std::size_t n) {
                    for (std::size_t done = 0; done < n; done += kWordBits) {
                        OrAt(m_kept, start + done, BitsFrom(kept, first + done), std::min(kWordBits, n - done));
                    }
                },
                [&](Id child) {
                    if (Test(kept, child)) {
                        Set(m_kept, start + row);
                    }
                    ++row;
                });
        }
    }
    assert(place == count);
    m_keptBefore.resize(words);
    std::uint32_t before = 0;
    for (std::size_t word = 0; word < words; ++word) {
        m_keptBefore[word] = before;
        before += static_cast<std::uint32_t>(BitCount(m_kept[word]));
    }
    m_matched = m_facets.Active() ? std::move(textMatches) : std::move(matched);
    m_open = std::move(open);
    m_rootCount = static_cast<std::uint32_t>(KeptBefore(rootChildren));
    return true;
}

void TagTreeFilter::KeepNothing() noexcept {
    m_matched.clear();
    m_open.clear();
    m_kept.clear();
    m_keptBefore.clear();
    m_rootCount = 0;
}

bool TagTreeFilter::MakeSignatures(const TagTree& tree, Cancel cancel) {
    // A text no label holds (a control byte) still has every label read once.
    if (!Apply(tree, TagFilterText(std::string_view("\x01", 1), CodePage::Utf8), nullptr, cancel)) {
        return false;
    }
    m_text = {};
    KeepNothing();
    Bits().swap(m_matched);
    Bits().swap(m_open);
    Bits().swap(m_kept);
    std::vector<std::uint32_t>().swap(m_keptBefore);
    return true;
}

std::pair<std::size_t, std::size_t> TagTreeFilter::Places(Id parent) const noexcept {
    const std::size_t count = m_tree->ChildCount(parent);
    return {count == 0 ? 0 : m_tree->ChildrenStart(parent), count};
}

std::size_t TagTreeFilter::KeptPlace(std::size_t rank, std::size_t firstWord, std::size_t lastWord) const noexcept {
    // The last word that starts at or before the rank.
    const auto words = m_keptBefore.begin();
    const auto after = std::upper_bound(words + static_cast<std::ptrdiff_t>(firstWord),
                                        words + static_cast<std::ptrdiff_t>(lastWord) + 1, rank);
    const auto word = static_cast<std::size_t>(after - words) - 1;
    return word * kWordBits + NthBit(m_kept[word], rank - m_keptBefore[word]);
}

std::size_t TagTreeFilter::ChildCount(Id id) const noexcept {
    if (id == TagTree::kRoot || m_rootCount == 0) {
        return m_rootCount;
    }
    const auto [start, count] = Places(id);
    return count == 0 ? 0 : KeptBefore(start + count) - KeptBefore(start);
}

TagTree::Id TagTreeFilter::Child(Id parent, std::size_t row) const noexcept {
    assert(row < ChildCount(parent));
    const auto [start, count] = Places(parent);
    const std::size_t place = KeptPlace(KeptBefore(start) + row, start / kWordBits, (start + count) / kWordBits);
    return m_tree->Child(parent, place - start);
}

std::size_t TagTreeFilter::Row(const TagTree& tree, Id id) const noexcept {
    const Id parent = tree.Parent(id);
    const std::size_t start = tree.ChildrenStart(parent);
    return KeptBefore(start + tree.Row(id)) - KeptBefore(start);
}

bool TagTreeFilter::IsExpanded(Id id) const noexcept { return id / kWordBits < m_open.size() && Test(m_open, id); }

std::vector<TagTree::Id> TagTreeFilter::ExpandedNodes() const {
    std::vector<Id> open;
    for (std::size_t word = 0; word < m_open.size(); ++word) {
        for (std::uint64_t bits = m_open[word]; bits != 0; bits &= bits - 1) {
            open.push_back(static_cast<Id>(word * kWordBits + static_cast<std::size_t>(std::countr_zero(bits))));
        }
    }
    return open;
}

TagTree::Id TagTreeFilter::MemberToOpen(const TagTree& tree) const noexcept {
    // Depth first over the kept nodes: folders and files lead to their members, and a scope
    // kept above a matched member leads to it.
    Id firstKept = TagTree::kRoot;
    Id firstMatched = TagTree::kRoot;
    std::vector<std::pair<Id, std::size_t>> stack{{TagTree::kRoot, 0}};
    while (!stack.empty()) {
        auto& [parent, row] = stack.back();
        if (row == ChildCount(parent)) {
            stack.pop_back();
            continue;
        }
        const Id id = Child(parent, row++);
        const CTagEntry* tag = tree.Tag(id);
        if (parent != TagTree::kRoot && tag != nullptr && tree.Tag(parent) != nullptr) {
            if (firstKept == TagTree::kRoot) {
                firstKept = id;
            }
            if (Test(m_matched, id)) {
                if (m_text.IsWhole(tag->GetName())) {
                    return id;
                }
                if (firstMatched == TagTree::kRoot) {
                    firstMatched = id;
                }
            }
        }
        if (ChildCount(id) != 0) {
            stack.emplace_back(id, 0);
        }
    }
    return firstMatched != TagTree::kRoot ? firstMatched : firstKept;
}

std::size_t TagTreeFilter::MemoryBytes() const noexcept {
    const std::size_t signatures = m_signatures ? m_signatures->capacity() * sizeof(Signature) : 0;
    return (m_matched.capacity() + m_open.capacity() + m_kept.capacity()) * sizeof(std::uint64_t) +
           m_keptBefore.capacity() * sizeof(std::uint32_t) + signatures;
}

std::shared_ptr<TagTreeFilter> TagTreeFilter::Signatures() const {
    auto kept = std::make_shared<TagTreeFilter>();
    kept->m_tree = m_tree;
    kept->m_signatures = m_signatures;
    return kept;
}

}  // namespace quarrow
