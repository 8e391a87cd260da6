#include "editor/source_path.h"

#include "platform/path_rules.h"
#include "platform/regular_file_bytes.h"
#include "tags/tag_store.h"

namespace quarrow {
namespace {

constexpr std::string_view kProcCwdHeader = "!_TAG_PROC_CWD\t";

SourcePath Probe(std::string path) {
    const std::int64_t size = SizeAtPath(path);
    return {std::move(path), size >= 0, size};
}

}  // namespace

std::string TagsProcCwd(const TagStore& store) {
    // The header lines come first in the file; the records lie in the order they were read.
    for (const CTagEntry& record : store.Records()) {
        if (!record.IsPseudoTag()) {
            break;
        }
        const std::string_view text = record.GetText();
        if (!text.starts_with(kProcCwdHeader)) {
            continue;
        }
        std::string_view folder = text.substr(kProcCwdHeader.size());
        folder = folder.substr(0, folder.find('\t'));
        if (folder.empty()) {
            return {};
        }
        std::string result(folder);
        if (result.back() != '/') {
            result.push_back('/');
        }
        return result;
    }
    return {};
}

SourcePath LocateSourceFile(std::string_view file, std::string_view tagsDir, std::string_view procCwd) {
    if (path_rules::IsAbsolute(file)) {
        return Probe(std::string(file));
    }
    SourcePath underTags = Probe(std::string(tagsDir).append(file));
    if (underTags.exists || procCwd.empty()) {
        return underTags;
    }
    SourcePath underCwd = Probe(std::string(procCwd).append(file));
    return underCwd.exists ? underCwd : underTags;
}

}  // namespace quarrow
