#pragma once
// All the bytes of a regular file, read without ever blocking on something that is not one: a
// named pipe or a device given where a source file was expected is refused, not waited on. And
// whether anything is at a path at all.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarrow {

// The size in bytes of what `path` names (a link followed; a folder or another kind of file
// counts too), or -1 when nothing is there.
std::int64_t SizeAtPath(const std::string& path);

// A file's bytes, in a buffer that is not cleared first: a large file is read once, not written
// with zeros and then read.
class FileBytes final {
public:
    std::string_view View() const noexcept { return {m_data.get(), m_size}; }

private:
    friend int ReadRegularFile(const std::string& path, FileBytes& bytes);
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
};

// Reads the whole of `path` into `bytes`. 0 on success, else the errno of the failure (EISDIR
// for a folder, EINVAL for any other file that is not a regular one).
int ReadRegularFile(const std::string& path, FileBytes& bytes);

}  // namespace quarrow
