#include "tree/member_placement.h"

#include <algorithm>

#include "tags/tag_store.h"
#include "tree/kind_image_table.h"
#include "tree/short_text.h"
#include "tree/tag_fields.h"

namespace quarrow {

namespace {

// A file's image with the kind icons by language: Java's page with its "J" for Java and for a
// language not known (as its members keep the Java table), a plain page for any other.
std::uint8_t FileImageOf(TagLanguage language) noexcept {
    return language == TagLanguage::Java || language == TagLanguage::Unknown ? kImageFile : kImagePlainFile;
}

}  // namespace

MemberPlacer::MemberPlacer(TreeOptions options) : m_options(options), m_images(KindImageTable::Get()) {}

void MemberPlacer::Place(const TagStore& store, std::size_t begin, std::size_t end, std::string_view previousFile,
                         PlacedRange& out) {
    out.runs.clear();
    out.members.clear();
    out.members.reserve(end - begin);
    const std::vector<std::uint32_t>& fileStarts = store.FileStarts();
    const bool knowsFiles = !fileStarts.empty();
    auto nextFile = std::lower_bound(fileStarts.begin(), fileStarts.end(), begin);
    // Members before the range's first file stay where the builder is (the store's first lines
    // may lack a file).
    m_fileLanguage = TagLanguage::Unknown;
    m_fileImageOpen = false;
    out.runs.push_back({PlacedRun::kNoFileNode, 0});

    // The records lie anywhere among those read and view lines scattered over the file's bytes:
    // the records are asked for ahead, the fields their lines hold (from the kind on) closer ahead,
    // so that the cache misses overlap with the work on the records before.
    constexpr std::size_t kFieldsAhead = 16;
    constexpr std::size_t kRecordsAhead = 2 * kFieldsAhead;
    // Whether a file may begin at the next record that is not a pseudo-tag.
    bool fileMayChange = true;
    for (std::size_t i = begin; i < end; ++i) {
        if (i + kRecordsAhead < end) {
            PrefetchRecord(store[i + kRecordsAhead]);
        }
        if (i + kFieldsAhead < end) {
            // One look at the record finds both places. (The kind's place, not the kind: reading
            // the kind would wait for the line.)
            const CTagEntry& ahead = store[i + kFieldsAhead];
            const char* fields = ahead.KindPlace();
            __builtin_prefetch(ahead.GetText().data());
            __builtin_prefetch(fields);
            __builtin_prefetch(fields + 64);
        }
        if (!knowsFiles) {
            fileMayChange = true;
        } else if (nextFile != fileStarts.end() && *nextFile == i) {
            fileMayChange = true;
            ++nextFile;
        }
        const CTagEntry& tag = store[i];
        if (tag.IsPseudoTag()) {
            continue;
        }
        if (fileMayChange) {
            const std::string_view file = tag.GetFile();
            if (file != previousFile) {
                StartRun(i, file, out);
                previousFile = file;
            }
            fileMayChange = false;
        }
        if (!tag.GetName().empty()) {
            AddMember(tag, out);
        }
    }
    EndRun(out);
    if (out.runs.front().membersEnd == 0) {
        out.runs.erase(out.runs.begin());
    }
}

void MemberPlacer::StartRun(std::size_t position, std::string_view file, PlacedRange& out) {
    EndRun(out);
    out.runs.push_back({static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(out.members.size())});
    m_fileLanguage = LanguageFromFile(file);
    if (m_options.languageIcons) {
        out.runs.back().fileImage = FileImageOf(m_fileLanguage);
        m_fileImageOpen = m_fileLanguage == TagLanguage::Unknown;
    }
}

void MemberPlacer::AddMember(const CTagEntry& tag, PlacedRange& out) {
    const TagScopeFields fields = ReadScopeFields(tag);
    const TagLanguage language = LanguageOf(fields.language);
    if (m_fileImageOpen) {
        out.runs.back().fileImage = FileImageOf(language);
        m_fileImageOpen = false;
    }
    // Java and unknown languages keep the Java table, which reads the parser's kind alone.
    const bool ownTable = language != TagLanguage::Java && language != TagLanguage::Unknown;
    const std::string_view tagKind = fields.parserKind;
    const std::string_view kind = tagKind.empty() && ownTable ? fields.kind : tagKind;
    const std::string_view access = tag.GetAccess();
    // Without the language icons every tag keeps the Java table, which reads the parser's kind.
    const int image = m_options.languageIcons ? m_images.ImageOf(language, kind, access)
                                              : m_images.ImageOf(TagLanguage::Java, tagKind, access);
    if (!m_options.nestScopes) {
        out.members.push_back({&tag, ScopeNesting::kTopLevel, static_cast<std::uint8_t>(image)});
        out.runs.back().membersEnd = static_cast<std::uint32_t>(out.members.size());
        return;
    }
    // The file's members wait for the end of its run: a parent may come after its child.
    m_runMembers.push_back({tag.GetName(), kind, fields.scopeKind, fields.scope, &tag, image, language});
    m_runHasScope = m_runHasScope || !fields.scope.empty();
}

TagLanguage MemberPlacer::LanguageOf(std::string_view name) {
    if (name.empty()) {
        return m_fileLanguage;
    }
    if (!SameShortText(name, m_lastLanguageName)) {
        m_lastLanguageName = name;
        m_lastLanguage = LanguageFromName(name);
    }
    return m_lastLanguage;
}

// Places the waiting members of the run, each after its parent.
void MemberPlacer::EndRun(PlacedRange& out) {
    if (m_runMembers.empty()) {
        return;
    }
    const std::size_t count = m_runMembers.size();
    if (!m_runHasScope) {
        // No member names a scope: all belong to the file, in store order.
        for (const NestMember& member : m_runMembers) {
            out.members.push_back({member.tag, ScopeNesting::kTopLevel, static_cast<std::uint8_t>(member.image)});
        }
    } else {
        const bool storeOrder = m_nesting.Nest(m_runMembers, m_parents, m_order);
        m_placeOf.resize(count);
        auto place = [&](std::uint32_t member) {
            const std::uint32_t parent = m_parents[member];
            const NestMember& run = m_runMembers[member];
            m_placeOf[member] = static_cast<std::uint32_t>(out.members.size());
            out.members.push_back({run.tag, parent == ScopeNesting::kTopLevel ? parent : m_placeOf[parent],
                                   static_cast<std::uint8_t>(run.image)});
        };
        if (storeOrder) {
            for (std::uint32_t member = 0; member < count; ++member) {
                place(member);
            }
        } else {
            for (std::size_t at = 0; at < count; ++at) {
                place(m_order[at]);
            }
        }
    }
    out.runs.back().membersEnd = static_cast<std::uint32_t>(out.members.size());
    m_runMembers.clear();
    m_runHasScope = false;
}

std::vector<std::size_t> PlacementCuts(const TagStore& store, std::size_t target) {
    std::vector<std::size_t> cuts;
    if (store.empty()) {
        return cuts;
    }
    cuts.push_back(0);
    for (const std::uint32_t start : store.FileStarts()) {
        if (start < cuts.back() + std::max<std::size_t>(target, 1)) {
            continue;
        }
        const CTagEntry& before = store[start - 1];
        const CTagEntry& first = store[start];
        if (!before.IsPseudoTag() && !first.IsPseudoTag() && before.GetFile() != first.GetFile()) {
            cuts.push_back(start);
        }
    }
    return cuts;
}

}  // namespace quarrow
