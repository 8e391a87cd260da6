#pragma once
// A new file made beside the file it is to replace and renamed over it once complete, so that
// readers of the old path see the old content or the new one and never a part. Until then it
// is the writer's alone: it is removed again unless it was renamed, however the writer leaves.

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/file_descriptor.h"

namespace quarrow {

class ReplacementFile final {
public:
    // Creates the file, open for writing with `mode` less the umask, under the first name from
    // `nextName` that no file has yet (up to 100 names; they are in the target's folder, so
    // that the rename stays within one file system). Nothing, with `error` set to the reason
    // (errno), when no file could be made.
    static std::optional<ReplacementFile> Create(const std::function<std::string()>& nextName, mode_t mode, int& error);

    ReplacementFile(ReplacementFile&& other) noexcept;
    ReplacementFile& operator=(ReplacementFile&&) = delete;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() { Discard(); }

    const std::string& Path() const noexcept { return m_path; }
    // Open for writing from Create on, until its user closes or releases it.
    FileDescriptor& Descriptor() noexcept { return m_fd; }

    // Renames the file over `target`. 0 on success; else the rename's errno, and the file is
    // removed.
    int RenameOver(const std::string& target);
    // Removes the file now (nothing when it was renamed or removed already).
    void Discard() noexcept;

private:
    ReplacementFile(std::string path, FileDescriptor fd) noexcept;

    std::string m_path;  // empty once renamed or removed
    FileDescriptor m_fd;
};

}  // namespace quarrow
