#include "tree/tag_tree_builder.h"

#include <algorithm>
#include <vector>

#include "platform/path_rules.h"
#include "tags/load_times.h"
#include "tags/tag_store.h"
#include "tree/kind_icons.h"
#include "tree/kind_image_table.h"
#include "tree/language_of.h"
#include "tree/scope_nesting.h"
#include "tree/short_text.h"
#include "tree/tag_fields.h"
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

// One pass over the store; the state lives for one build only.
class TagTreeBuilder {
public:
    TagTreeBuilder(TagTree& model, CodePage cp, TreeOptions options)
        : m_model(model),
          m_cp(cp),
          m_options(options),
          m_images(options.languageIcons || options.nestScopes ? &KindImageTable::Get() : nullptr) {}

    // Adds a record that is not a pseudo-tag. `sameFile` says that its file is the one of the
    // record added before (the store knows where files begin), which spares reading its name;
    // `image` is its member image when the caller worked it out (the plain tree), else negative.
    void Add(const CTagEntry& tag, bool sameFile, int image) {
        // Within a run of one file the folder was settled by the run's first record.
        if (!sameFile) {
            const std::string_view file = tag.GetFile();
            if (file != m_previousFile) {
                FlushRun();
                if (m_options.languageIcons || m_options.nestScopes) {
                    m_fileLanguage = LanguageFromFile(file);
                }
                const std::string_view dir = DirectoryOf(file, m_cp);
                if (!dir.empty() && dir != m_currentDir) {
                    InsertDirectoryNode(dir);
                }
                InsertFileNode(file, tag);
            }
        }
        if (!tag.GetName().empty()) {
            InsertMemberNode(tag, image);
        }
    }

    // Opens the only file (and its folder) when there is one file, so that it shows at once.
    void Finish() {
        FlushRun();
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
    void InsertDirectoryNode(std::string_view dir) {
        m_lastDirectory = m_model.AppendNode(TagTree::kNoNode, dir, kImageFolderClosed, nullptr);
        m_currentDir = dir;
    }

    void InsertFileNode(std::string_view file, const CTagEntry& tag) {
        m_lastFile = m_model.AppendNode(m_lastDirectory, FileNameOf(file), kImageFile, &tag);
        m_previousFile = file;
        ++m_fileCount;
    }

    void InsertMemberNode(const CTagEntry& tag, int plainImage) {
        if (!m_options.languageIcons && !m_options.nestScopes) {
            const int image = plainImage >= 0 ? plainImage : MemberImageOf(tag.GetKind(), tag.GetAccess());
            m_model.AppendNode(m_lastFile, tag.GetName(), image, &tag);
            return;
        }
        const TagScopeFields fields = ReadScopeFields(tag);
        const TagLanguage language = LanguageOf(fields.language);
        // Java and unknown languages keep the Java table, which reads the parser's kind alone.
        const bool ownTable = language != TagLanguage::Java && language != TagLanguage::Unknown;
        const std::string_view tagKind = fields.parserKind;
        const std::string_view kind = tagKind.empty() && ownTable ? fields.kind : tagKind;
        const std::string_view access = tag.GetAccess();
        // Without the language icons every tag keeps the Java table, which reads the parser's kind.
        const int image = m_options.languageIcons ? m_images->ImageOf(language, kind, access)
                                                  : m_images->ImageOf(TagLanguage::Java, tagKind, access);
        if (!m_options.nestScopes) {
            m_model.AppendNode(m_lastFile, tag.GetName(), image, &tag);
            return;
        }
        // The file's members wait for the end of its run: a parent may come after its child.
        m_runMembers.push_back({tag.GetName(), kind, fields.scopeKind, fields.scope, &tag, image, language});
        m_runHasScope = m_runHasScope || !fields.scope.empty();
    }

    // The tag's language: its "language:" field, else its file's.
    TagLanguage LanguageOf(std::string_view name) {
        if (name.empty()) {
            return m_fileLanguage;
        }
        if (!SameShortText(name, m_lastLanguageName)) {
            m_lastLanguageName = name;
            m_lastLanguage = LanguageFromName(name);
        }
        return m_lastLanguage;
    }

    // Appends the waiting members of one file, each under its parent.
    void FlushRun() {
        if (m_runMembers.empty()) {
            return;
        }
        const std::size_t count = m_runMembers.size();
        if (!m_runHasScope) {
            // No member names a scope: all belong to the file, in store order.
            for (const NestMember& run : m_runMembers) {
                m_model.AppendNode(m_lastFile, run.name, run.image, run.tag);
            }
            m_runMembers.clear();
            return;
        }
        const bool storeOrder = m_nesting.Nest(m_runMembers, m_parents, m_order);
        m_handles.resize(count);
        auto append = [&](std::uint32_t member) {
            const std::uint32_t parent = m_parents[member];
            const TagTree::Handle under = parent == ScopeNesting::kTopLevel ? m_lastFile : m_handles[parent];
            const NestMember& run = m_runMembers[member];
            m_handles[member] = m_model.AppendNode(under, run.name, run.image, run.tag);
        };
        if (storeOrder) {
            for (std::uint32_t member = 0; member < count; ++member) {
                append(member);
            }
        } else {
            for (std::size_t place = 0; place < count; ++place) {
                append(m_order[place]);
            }
        }
        m_runMembers.clear();
        m_runHasScope = false;
    }

    TagTree& m_model;
    CodePage m_cp;
    // Views into the store's bytes, which outlive the build.
    std::string_view m_currentDir;
    std::string_view m_previousFile;
    TagTree::Handle m_lastDirectory = TagTree::kNoNode;
    TagTree::Handle m_lastFile = TagTree::kNoNode;
    std::size_t m_fileCount = 0;

    TreeOptions m_options;
    TagLanguage m_fileLanguage = TagLanguage::Unknown;
    std::string_view m_lastLanguageName;
    TagLanguage m_lastLanguage = TagLanguage::Unknown;
    // The images by language, kind and access, when an option is on.
    const KindImageTable* m_images;
    // The members of the current file while nesting, with what they need for it.
    std::vector<NestMember> m_runMembers;
    bool m_runHasScope = false;
    ScopeNesting m_nesting;
    std::vector<std::uint32_t> m_parents;
    std::vector<std::uint32_t> m_order;
    std::vector<TagTree::Handle> m_handles;
};

bool IsPseudoTag(const CTagEntry& tag) noexcept { return tag.GetText().starts_with("!_"); }

// What the plain tree needs of each record's line beyond the record, by record number: its member
// image, or kPseudoTag for a line of the ctags header. Worked out in the order the records were
// read, where their lines follow each other: store order visits them scattered over the file,
// and the kind and access lie at a line's far end, so reading them there cost a few cache misses
// a record.
constexpr std::uint8_t kPseudoTag = 0xFF;
static_assert(kImageCount < kPseudoTag);

std::vector<std::uint8_t> PlainImagesByRecord(const std::vector<CTagEntry>& records) {
    std::vector<std::uint8_t> images(records.size());
    for (std::size_t r = 0; r < records.size(); ++r) {
        const CTagEntry& tag = records[r];
        images[r] = IsPseudoTag(tag) ? kPseudoTag : static_cast<std::uint8_t>(MemberImageOf(tag.GetKind(), tag.GetAccess()));
    }
    return images;
}

bool Build(TagTree& model, const TagStore& store, CodePage cp, TreeOptions options, LoadProgress* progress) {
    model.Clear();
    BeginStage(progress, LoadStage::Building, store.size());
    // Each record makes at most one member node, and the first record of a file a file node and
    // maybe a folder node. Files are far fewer than their tags in what ctags writes, so a quarter
    // more than the records is room enough; a store of one-tag files grows the nodes once. (The
    // bound of three nodes a record would claim address space that a memory limit counts.)
    model.ReserveNodes(store.size() + store.size() / 4 + 16);
    const std::vector<CTagEntry>& records = store.Records();
    model.SetRecordRange(store.empty() ? nullptr : records.data(), store.size());
    TagTreeBuilder builder(model, cp, options);
    const std::size_t count = store.size();
    const bool readsFields = options.languageIcons || options.nestScopes;
    // The plain tree reads a line only where a file begins, once the images are known; the
    // options read each member's fields.
    const std::vector<std::uint8_t> images = readsFields ? std::vector<std::uint8_t>() : PlainImagesByRecord(records);
    const std::vector<std::uint32_t>& fileStarts = store.FileStarts();
    const bool knowsFiles = !fileStarts.empty();
    auto recordNumber = [&](std::size_t i) { return static_cast<std::size_t>(&store[i] - records.data()); };

    // The ordered records lie anywhere among those read, and view lines scattered over the
    // file's bytes: the records are asked for a few dozen places ahead, the lines they view
    // closer ahead, so that the cache misses overlap with the work on the records before.
    constexpr std::size_t kAhead = 8;
    constexpr std::size_t kFieldsAhead = 16;
    constexpr std::size_t kRecordsAhead = 2 * kFieldsAhead;
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
            if (!images.empty()) {
                __builtin_prefetch(&images[recordNumber(i + kRecordsAhead)]);
            }
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
                model.Clear();
                return false;
            }
        }
        fileMayChange = fileMayChange || fileStartsHere;
        const CTagEntry& tag = store[i];
        if (!readsFields) {
            if (!knowsFiles && i + kAhead < count) {
                prefetchLine(i + kAhead);
            }
            const std::uint8_t image = images[recordNumber(i)];
            if (image != kPseudoTag) {
                builder.Add(tag, !fileMayChange, image);
                fileMayChange = false;
            }
            continue;
        }
        if (i + kFieldsAhead < count) {
            // The options read the extension fields, from the kind on, besides the name; the
            // records of a file wait for the end of its run, so reach further ahead. One look at
            // the record finds both places. (The kind's place, not the kind: reading the kind
            // would wait for the line.)
            const CTagEntry& ahead = store[i + kFieldsAhead];
            const char* fields = ahead.KindPlace();
            __builtin_prefetch(ahead.GetText().data());
            __builtin_prefetch(fields);
            __builtin_prefetch(fields + 64);
        }
        if (!IsPseudoTag(tag)) {
            builder.Add(tag, !fileMayChange, -1);
            fileMayChange = false;
        }
    }
    builder.Finish();
    model.EndBuild();
    Advance(progress, count - reported);
    return true;
}

}  // namespace

bool BuildTagTree(TagTree& tree, const TagStore& store, CodePage cp, TreeOptions options, LoadProgress* progress) {
    const bool built = Build(tree, store, cp, options, progress);
    MarkLoadStage("build");
    return built;
}

}  // namespace quarrow
