#include "tree/tag_tree_builder.h"

#include <algorithm>
#include <vector>

#include "platform/path_rules.h"
#include "tags/load_times.h"
#include "tags/shared_work.h"
#include "tags/tag_store.h"
#include "tags/work_ahead.h"
#include "tree/kind_icons.h"
#include "tree/member_placement.h"
#include "tree/tag_tree.h"
#include "tree/tree_images.h"

namespace quarrow {

std::size_t FindLastSeparator(std::string_view path, CodePage cp, char separator) noexcept {
    // The second byte of a Shift-JIS character is 0x40 to 0x7E or 0x80 to 0xFC. A separator
    // outside that range (the POSIX '/') is never part of a valid character, and the file system
    // splits at every such byte whatever comes before it, so a plain search finds the same place
    // on valid text and the true one after a stray lead byte.
    const auto byte = static_cast<unsigned char>(separator);
    const bool canBeSecondByte = (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
    return canBeSecondByte ? FindLastByte(cp, path, separator) : path.rfind(separator);
}

std::string_view DirectoryOf(std::string_view path, CodePage cp) noexcept {
    const std::size_t pos = FindLastSeparator(path, cp, path_rules::kSeparator);
    return pos == std::string_view::npos ? std::string_view{} : path.substr(0, pos);
}

std::string_view FileNameOf(std::string_view path) noexcept {
    const std::size_t pos = path.rfind(path_rules::kSeparator);
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

namespace {

// Makes the folder and file nodes of the store's runs of one file, and appends members under
// them; the state lives for one build only.
class TagTreeBuilder {
public:
    TagTreeBuilder(TagTree& model, CodePage cp) : m_model(model), m_cp(cp) {}

    // Adds a record of the plain tree that is not a pseudo-tag, with its member image. `sameFile`
    // says that its file is the one of the record added before (the store knows where files
    // begin), which spares reading its name.
    void Add(const CTagEntry& tag, bool sameFile, int image) {
        // Within a run of one file the folder was settled by the run's first record.
        if (!sameFile) {
            const std::string_view file = tag.GetFile();
            if (file != m_previousFile) {
                StartFile(file, tag);
            }
        }
        if (!tag.GetName().empty()) {
            m_model.AppendNode(m_lastFile, tag.GetName(), image, &tag);
        }
    }

    // Starts a run of `file`, whose first record is `tag`: a folder node when the folder is not
    // the last one's, and the file node with `image`.
    void StartFile(std::string_view file, const CTagEntry& tag, int image = kImageFile) {
        const std::string_view dir = DirectoryOf(file, m_cp);
        if (!dir.empty() && dir != m_currentDir) {
            m_lastDirectory = m_model.AppendNode(TagTree::kNoNode, dir, kImageFolderClosed, nullptr);
            m_currentDir = dir;
        }
        m_lastFile = m_model.AppendNode(m_lastDirectory, FileNameOf(file), image, &tag);
        m_previousFile = file;
        ++m_fileCount;
    }

    // The node of the current run's file (kNoNode before the first).
    TagTree::Handle LastFile() const noexcept { return m_lastFile; }

    // Opens the only file (and its folder) when there is one file, so that it shows at once.
    void Finish() {
        if (m_fileCount < 2) {
            if (m_lastDirectory != TagTree::kNoNode) {
                m_model.ExpandNode(m_lastDirectory);
            }
            if (m_lastFile != TagTree::kNoNode) {
                m_model.ExpandNode(m_lastFile);
            }
        }
    }

private:
    TagTree& m_model;
    CodePage m_cp;
    // Views into the store's bytes, which outlive the build.
    std::string_view m_currentDir;
    std::string_view m_previousFile;
    TagTree::Handle m_lastDirectory = TagTree::kNoNode;
    TagTree::Handle m_lastFile = TagTree::kNoNode;
    std::size_t m_fileCount = 0;
};

// What the plain tree needs of each record's line beyond the record, by record number: its member
// image, or kPseudoTag for a line of the ctags header. Worked out in the order the records were
// read, where their lines follow each other: store order visits them scattered over the file,
// and the kind and access lie at a line's far end, so reading them there cost a few cache misses
// a record.
constexpr std::uint8_t kPseudoTag = 0xFF;
static_assert(kImageCount < kPseudoTag);

std::vector<std::uint8_t> PlainImagesByRecord(const std::vector<CTagEntry>& records) {
    std::vector<std::uint8_t> images(records.size());
    // Blocks of records that two threads share: each block's lines lie together.
    constexpr std::size_t kBlock = 1 << 16;
    ShareWork((records.size() + kBlock - 1) / kBlock, [&](std::size_t block) {
        const std::size_t end = std::min(records.size(), (block + 1) * kBlock);
        for (std::size_t r = block * kBlock; r < end; ++r) {
            const CTagEntry& tag = records[r];
            images[r] = tag.IsPseudoTag() ? kPseudoTag : static_cast<std::uint8_t>(MemberImageOf(tag.GetKind(), tag.GetAccess()));
        }
    });
    return images;
}

// The plain tree: each record's image is known beforehand, and a record's line is read only where
// a file begins.
bool BuildPlain(const TagStore& store, TagTreeBuilder& builder, LoadProgress* progress) {
    const std::vector<CTagEntry>& records = store.Records();
    const std::size_t count = store.size();
    const std::vector<std::uint8_t> images = PlainImagesByRecord(records);
    const std::vector<std::uint32_t>& fileStarts = store.FileStarts();
    const bool knowsFiles = !fileStarts.empty();
    auto recordNumber = [&](std::size_t i) { return static_cast<std::size_t>(&store[i] - records.data()); };

    // The ordered records lie anywhere among those read, and view lines scattered over the
    // file's bytes: the records are asked for a few dozen places ahead, the lines they view
    // closer ahead, so that the cache misses overlap with the work on the records before.
    constexpr std::size_t kAhead = 8;
    constexpr std::size_t kRecordsAhead = 32;
    auto prefetchRecord = [&](std::size_t i) { PrefetchRecord(store[i]); };
    auto prefetchLine = [&](std::size_t i) {
        const char* text = store[i].GetText().data();
        __builtin_prefetch(text);
        __builtin_prefetch(text + 64);
    };
    // A stop is looked for where a file begins, and files are small enough that a stop is seen
    // within milliseconds.
    std::string_view previousFile;
    std::size_t reported = 0;
    std::size_t nextFile = 0;  // in fileStarts
    // Whether a file may begin at the next record that is not a pseudo-tag.
    bool fileMayChange = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kRecordsAhead < count) {
            prefetchRecord(i + kRecordsAhead);
            __builtin_prefetch(&images[recordNumber(i + kRecordsAhead)]);
        }
        bool fileStartsHere = true;
        if (knowsFiles) {
            fileStartsHere = nextFile < fileStarts.size() && fileStarts[nextFile] == i;
            if (fileStartsHere) {
                ++nextFile;
                // The lines read next: the next file's first one, and the record of the one after.
                if (nextFile + 1 < fileStarts.size()) {
                    prefetchRecord(fileStarts[nextFile + 1]);
                }
                if (nextFile < fileStarts.size()) {
                    prefetchLine(fileStarts[nextFile]);
                }
            }
        }
        if (progress != nullptr && (knowsFiles ? fileStartsHere : store[i].GetFile() != previousFile)) {
            previousFile = store[i].GetFile();
            progress->Advance(i - reported);
            reported = i;
            if (progress->Cancelled()) {
                return false;
            }
        }
        fileMayChange = fileMayChange || fileStartsHere;
        if (!knowsFiles && i + kAhead < count) {
            prefetchLine(i + kAhead);
        }
        const std::uint8_t image = images[recordNumber(i)];
        if (image != kPseudoTag) {
            builder.Add(store[i], !fileMayChange, image);
            fileMayChange = false;
        }
    }
    Advance(progress, count - reported);
    return true;
}

// Records whose member placement is worked out at once: about a tenth of a millisecond of work,
// so that a stop is seen soon and the threads end together, and a range's records and lines are
// still in the caches when its nodes are appended.
constexpr std::size_t kRangeRecords = 2048;
// Ranges placed and not yet appended, at most. Few: when both threads share one processor (a busy
// machine) the helper would otherwise place ranges for its whole time slice, and their appends
// would read them back from memory; on two processors the appends keep up anyway.
constexpr std::size_t kRangesAhead = 4;

// With an option on, each member's fields decide its image and maybe its parent. Two threads
// place the members of ranges of the store (MemberPlacer) ahead of this one, which appends the
// nodes of each range in turn, or places the next free range itself while the one it needs is
// still being placed.
bool BuildWithOptions(TagTree& model, const TagStore& store, TagTreeBuilder& builder, TreeOptions options,
                      LoadProgress* progress, std::size_t rangeRecords) {
    const std::vector<std::size_t> cuts = PlacementCuts(store, rangeRecords);
    std::vector<PlacedRange> ranges(cuts.size());
    MemberPlacer ownPlacer(options);
    MemberPlacer helperPlacer(options);
    MemberPlacer* const placers[] = {&ownPlacer, &helperPlacer};
    auto place = [&](std::size_t range, unsigned worker) {
        const std::size_t begin = cuts[range];
        const std::size_t end = range + 1 < cuts.size() ? cuts[range + 1] : store.size();
        const std::string_view previousFile = begin == 0 ? std::string_view{} : store[begin - 1].GetFile();
        placers[worker]->Place(store, begin, end, previousFile, ranges[range]);
    };
    // A stop is looked for where a run of a file begins, and runs are small enough that a stop is
    // seen within milliseconds.
    std::size_t reported = 0;
    std::vector<TagTree::Handle> handles;
    auto append = [&](std::size_t range) {
        if (StopRequested(progress)) {
            return false;
        }
        PlacedRange& placed = ranges[range];
        handles.resize(placed.members.size());
        std::size_t m = 0;
        for (const PlacedRun& run : placed.runs) {
            if (run.fileTag != PlacedRun::kNoFileNode) {
                if (progress != nullptr) {
                    progress->Advance(run.fileTag - reported);
                    reported = run.fileTag;
                    if (progress->Cancelled()) {
                        return false;
                    }
                }
                const CTagEntry& first = store[run.fileTag];
                builder.StartFile(first.GetFile(), first, run.fileImage);
            }
            const TagTree::Handle file = builder.LastFile();
            for (; m < run.membersEnd; ++m) {
                const PlacedMember& member = placed.members[m];
                const TagTree::Handle under = member.parent == ScopeNesting::kTopLevel ? file : handles[member.parent];
                handles[m] = model.AppendNode(under, member.tag->GetName(), member.image, member.tag);
            }
        }
        placed = PlacedRange();  // its memory is not needed again
        return true;
    };
    if (!ProduceAheadInOrder(cuts.size(), kRangesAhead, place, append)) {
        return false;
    }
    Advance(progress, store.size() - reported);
    return true;
}

bool Build(TagTree& model, const TagStore& store, CodePage cp, TreeOptions options, LoadProgress* progress,
           std::size_t rangeRecords) {
    model.Clear();
    BeginStage(progress, LoadStage::Building, store.size());
    // Each record makes at most one member node, and the first record of a file a file node and
    // maybe a folder node. Files are far fewer than their tags in what ctags writes, so a quarter
    // more than the records is room enough; a store of one-tag files grows the nodes once. (The
    // bound of three nodes a record would claim address space that a memory limit counts.)
    model.ReserveNodes(store.size() + store.size() / 4 + 16);
    const std::vector<CTagEntry>& records = store.Records();
    model.SetRecordRange(store.empty() ? nullptr : records.data(), store.size());
    TagTreeBuilder builder(model, cp);
    const bool built = options.languageIcons || options.nestScopes
                           ? BuildWithOptions(model, store, builder, options, progress, rangeRecords)
                           : BuildPlain(store, builder, progress);
    if (!built) {
        model.Clear();
        return false;
    }
    builder.Finish();
    model.EndBuild();
    return true;
}

}  // namespace

bool BuildTagTree(TagTree& tree, const TagStore& store, CodePage cp, TreeOptions options, LoadProgress* progress) {
    const bool built = Build(tree, store, cp, options, progress, kRangeRecords);
    MarkLoadStage("build");
    return built;
}

bool BuildTagTreeInRanges(TagTree& tree, const TagStore& store, CodePage cp, TreeOptions options,
                          LoadProgress* progress, std::size_t rangeRecords) {
    return Build(tree, store, cp, options, progress, rangeRecords);
}

}  // namespace quarrow
