#pragma once
// What the tree options decide about each member before the tree is built: its image, and with
// the nested outline its parent and its place among its file's members. Worked out for a range of
// store positions that begins where a file does, so that ranges are independent of each other and
// two threads can place them while the builder appends the nodes of the ranges placed before.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "tree/language_of.h"
#include "tree/scope_nesting.h"
#include "tree/tag_tree_builder.h"
#include "tree/tree_images.h"

namespace quarrow {

class CTagEntry;
class KindImageTable;
class TagStore;

// A run of one file's records as the builder sees it: its file node, then its members.
struct PlacedRun {
    static constexpr std::uint32_t kNoFileNode = 0xFFFFFFFFu;
    // The store position of the record whose file the run shows (its first that is not a
    // pseudo-tag), or kNoFileNode for members before any file (they stay where the last file
    // node left them).
    std::uint32_t fileTag;
    std::uint32_t membersEnd;  // the run's members end here in PlacedRange::members
    std::uint8_t fileImage = kImageFile;  // the file node's image
};

struct PlacedMember {
    const CTagEntry* tag;
    // The index in PlacedRange::members of its parent, which comes before it, or
    // ScopeNesting::kTopLevel for a member of the file itself.
    std::uint32_t parent;
    std::uint8_t image;
};

// The runs of a range and their members in the order they are appended.
struct PlacedRange {
    std::vector<PlacedRun> runs;
    std::vector<PlacedMember> members;
};

// Places ranges one after another; one placer per thread (it keeps scratch space between ranges).
class MemberPlacer {
public:
    explicit MemberPlacer(TreeOptions options);

    // Places the records at store positions [begin, end). `previousFile` is the file of the last
    // record before `begin` that is not a pseudo-tag (empty at the store's start); a file whose name
    // differs from it starts a run. The store's FileStarts, when known, say where files may begin.
    void Place(const TagStore& store, std::size_t begin, std::size_t end, std::string_view previousFile,
               PlacedRange& out);

private:
    void StartRun(std::size_t position, std::string_view file, PlacedRange& out);
    void AddMember(const CTagEntry& tag, PlacedRange& out);
    void EndRun(PlacedRange& out);
    TagLanguage LanguageOf(std::string_view name);

    TreeOptions m_options;
    const KindImageTable& m_images;
    TagLanguage m_fileLanguage = TagLanguage::Unknown;
    // The run's file node waits for its first member to tell its language (its name did not).
    bool m_fileImageOpen = false;
    std::string_view m_lastLanguageName;
    TagLanguage m_lastLanguage = TagLanguage::Unknown;
    // The current run's members while nesting, with what the nesting reads.
    std::vector<NestMember> m_runMembers;
    bool m_runHasScope = false;
    ScopeNesting m_nesting;
    std::vector<std::uint32_t> m_parents;
    std::vector<std::uint32_t> m_order;
    std::vector<std::uint32_t> m_placeOf;  // member -> its index in PlacedRange::members
};

// Where to cut the store into ranges of about `target` records for MemberPlacer: the first
// position of each range, starting with 0 (none for an empty store). A cut lies only where a
// known file start separates two records, neither a pseudo-tag, of different files, so that no
// run is split; without known file starts the store is one range.
std::vector<std::size_t> PlacementCuts(const TagStore& store, std::size_t target);

}  // namespace quarrow
