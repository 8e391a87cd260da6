#pragma once
// A new tags file written beside the one it replaces. The tool writes into a hidden file in the
// tags file's folder; only a run that succeeded renames it over the tags file, so a cancelled or
// failed run leaves the old file exactly as it was and no partial file behind. The hidden file
// is locked while its run lives: hidden files that killed runs left behind are removed by the
// next run in the folder.

#include <sys/types.h>

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_descriptor.h"
#include "platform/replacement_file.h"

namespace quarrow {

class PendingTagsFile {
public:
    // Creates the empty hidden file next to `tagsPath` (whose folder must exist), first removing
    // the hidden files of runs that were killed. A symbolic link is followed: the file it points
    // at is the one replaced. Returns nothing, with `error` set to the reason (errno), when the
    // file cannot be made or the old one may not be written.
    static std::optional<PendingTagsFile> Create(const std::string& tagsPath, int& error);

    // How much of the old tags file the new one starts with, so that the tool behaves as if it
    // wrote the tags file itself: all of it for a tool that appends, else its first line, which
    // is all a tool needs to refuse overwriting a file that is no tags file.
    enum class Seed { FirstLine, Whole };
    // Copies that much (nothing when there was no old file). 0, else errno; ECANCELED when
    // `stop` was set during the copy. A whole copy may take long: it runs where the caller says.
    int SeedFromOld(Seed amount, const std::atomic<bool>& stop);

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
    // The process whose run made the hidden file `name` (a name in the tags file's folder), or 0
    // when `name` is no run's hidden file.
    static pid_t RunOfHiddenName(std::string_view name, std::string_view tagsFileName);

    PendingTagsFile(std::string targetPath, ReplacementFile file, FileDescriptor old, int oldMode);

    std::string m_strTargetPath;
    ReplacementFile m_file;  // its descriptor stays open and locked until the object goes
    FileDescriptor m_old;    // the old tags file, for the seed
    int m_nOldMode;          // permission bits of the file replaced, or -1 when there was none
};

}  // namespace quarrow
