#include "tree/tag_tree_builder.h"

#include <type_traits>

#include "platform/path_rules.h"
#include "tags/tag_store.h"
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

// One pass over the store; the state lives for one build only. A template so that the compact
// tree's appends are direct calls.
template <typename Model>
class TagTreeBuilder {
public:
    TagTreeBuilder(Model& model, CodePage cp) : m_model(model), m_cp(cp) {}

    void Add(const CTagEntry& tag) {
        if (tag.GetText().starts_with("!_")) {
            return;  // a pseudo-tag line of the ctags header
        }
        const std::string_view file = tag.GetFile();
        // Within a run of one file the folder was settled by the run's first record.
        if (file != m_previousFile) {
            const std::string_view dir = DirectoryOf(file, m_cp);
            if (!dir.empty() && dir != m_currentDir) {
                InsertDirectoryNode(dir);
            }
            InsertFileNode(file, tag);
        }
        if (!tag.GetName().empty()) {
            InsertMemberNode(tag);
        }
    }

    // Opens the only file (and its folder) when there is one file, so that it shows at once.
    void Finish() {
        if (m_fileCount < 2) {
            if (m_lastDirectory != TagTreeModel::kNoNode) {
                m_model.ExpandNode(m_lastDirectory);
            }
            if (m_lastFile != TagTreeModel::kNoNode) {
                m_model.ExpandNode(m_lastFile);
            }
        }
    }

private:
    void InsertDirectoryNode(std::string_view dir) {
        m_lastDirectory = m_model.AppendNode(TagTreeModel::kNoNode, dir, kImageFolderClosed,
                                             kImageFolderClosed, nullptr);
        m_currentDir = dir;
    }

    void InsertFileNode(std::string_view file, const CTagEntry& tag) {
        m_lastFile = m_model.AppendNode(m_lastDirectory, FileNameOf(file), kImageFile, kImageFile, &tag);
        m_previousFile = file;
        ++m_fileCount;
    }

    void InsertMemberNode(const CTagEntry& tag) {
        const int image = MemberImageOf(tag.GetKind(), tag.GetAccess());
        m_model.AppendNode(m_lastFile, tag.GetName(), image, image, &tag);
    }

    Model& m_model;
    CodePage m_cp;
    // Views into the store's bytes, which outlive the build.
    std::string_view m_currentDir;
    std::string_view m_previousFile;
    TagTreeModel::Handle m_lastDirectory = TagTreeModel::kNoNode;
    TagTreeModel::Handle m_lastFile = TagTreeModel::kNoNode;
    std::size_t m_fileCount = 0;
};

template <typename Model>
void Build(Model& model, const TagStore& store, CodePage cp) {
    model.Clear();
    // Each record makes at most one member node, and the first record of a file a file node and
    // maybe a folder node. Files are far fewer than their tags in what ctags writes, so a quarter
    // more than the records is room enough; a store of one-tag files grows the nodes once. (The
    // bound of three nodes a record would claim address space that a memory limit counts.)
    model.ReserveNodes(store.size() + store.size() / 4 + 16);
    if constexpr (std::is_same_v<Model, TagTree>) {
        model.SetRecordRange(store.empty() ? nullptr : &store[0], store.size());
    }
    TagTreeBuilder<Model> builder(model, cp);
    // The ordered records view lines scattered over the file's bytes: ask for the lines a few
    // records ahead so that their cache misses overlap.
    constexpr std::size_t kAhead = 8;
    const std::size_t count = store.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) {
            const char* text = store[i + kAhead].GetText().data();
            __builtin_prefetch(text);
            __builtin_prefetch(text + 64);
            __builtin_prefetch(text + 128);
        }
        builder.Add(store[i]);
    }
    builder.Finish();
    model.EndBuild();
}

}  // namespace

void BuildTagTree(TagTreeModel& model, const TagStore& store, CodePage cp) {
    Build(model, store, cp);
}

void BuildTagTree(TagTree& tree, const TagStore& store, CodePage cp) {
    Build(tree, store, cp);
}

}  // namespace quarrow
