#pragma once
// Where a tag's source file lies. ctags writes file names relative to the folder it ran in, which
// is the tags file's folder when Quarrow made it; a tags file made elsewhere (ctags run from a
// project's root with -f pointing into another folder) holds names relative to that other
// folder, which Universal Ctags records in its header "!_TAG_PROC_CWD". Everything that opens a
// tag's source goes through LocateSourceFile.

#include <cstdint>
#include <string>
#include <string_view>

namespace quarrow {

class TagStore;

// The folder ctags ran in, as the header line "!_TAG_PROC_CWD" of `store` gives it, ending in the
// separator; empty when the tags file has no such header.
std::string TagsProcCwd(const TagStore& store);

struct SourcePath {
    std::string path;        // the full path of the file
    bool exists = false;     // something is there (a file; the tags folder for an empty name)
    std::int64_t size = -1;  // its size in bytes, -1 when it does not exist
};

// The source file a tag names: an absolute name as it is; a relative one under `tagsDir` (which
// ends in the separator) when it exists there, else under `procCwd` when that is given and the
// file exists there. When neither exists the result is the name under `tagsDir`, not existing.
SourcePath LocateSourceFile(std::string_view file, std::string_view tagsDir, std::string_view procCwd);

}  // namespace quarrow
