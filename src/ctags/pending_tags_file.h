#pragma once
// A new tags file written beside the one it replaces. The tool writes into a hidden file in the
// tags file's folder; only a run that succeeded renames it over the tags file, so a cancelled or
// failed run leaves the old file exactly as it was and no partial file behind.

#include <optional>
#include <string>

#include "platform/replacement_file.h"

namespace quarrow {

class PendingTagsFile {
public:
    // Creates the hidden file next to `tagsPath` (whose folder must exist), holding a copy of the
    // old tags file when there is one, so that a tool told to append or to refuse a file that
    // is no tags file behaves as if it wrote the tags file itself. A symbolic link is followed:
    // the file it points at is the one replaced. Returns nothing, with `error` set to the
    // reason (errno), when the file cannot be made or the old one may not be written.
    static std::optional<PendingTagsFile> Create(const std::string& tagsPath, int& error);

    // The hidden file goes with the object unless it was committed.
    PendingTagsFile(PendingTagsFile&& other) noexcept = default;
    PendingTagsFile& operator=(PendingTagsFile&&) = delete;
    PendingTagsFile(const PendingTagsFile&) = delete;
    PendingTagsFile& operator=(const PendingTagsFile&) = delete;
    ~PendingTagsFile() = default;

    // The hidden file the tool is to write.
    const std::string& Path() const noexcept { return m_file.Path(); }
    // The file that Commit replaces (the tags path, or the file its link points at).
    const std::string& TargetPath() const noexcept { return m_strTargetPath; }

    // Gives the new file the old file's permission bits (a new file keeps those the umask
    // left) and renames it over the tags file. 0 on success, else errno; the hidden file is
    // removed either way.
    int Commit();

private:
    PendingTagsFile(std::string targetPath, ReplacementFile file, int oldMode);

    std::string m_strTargetPath;
    ReplacementFile m_file;
    int m_nOldMode;  // permission bits of the file replaced, or -1 when there was none
};

}  // namespace quarrow
