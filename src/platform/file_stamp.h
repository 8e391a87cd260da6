#pragma once
// What tells one state of a file from another without reading it: whether it exists, its size,
// its modification time and which file the name leads to (a replace by rename gives another).

#include <cstdint>
#include <string>

namespace quarrow {

struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a path names now (a link is followed); `exists` is false when there is none.
FileStamp StampOf(const std::string& path);

}  // namespace quarrow
