#include "support/scratch_folder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "support/file_bytes.h"

namespace quarrow::test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(std::string_view label) {
    std::string pattern = (fs::temp_directory_path() / ("quarrow-" + std::string(label) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder " + pattern + ": " + std::strerror(errno));
    }
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    // Tests lock folders and files on purpose; give them back to their owner so that they can go.
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(m_path, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
}

std::string ScratchFolder::File(std::string_view name) const {
    if (name.empty() || name.front() == '/') {
        throw std::invalid_argument("not a name inside the scratch folder: \"" + std::string(name) + '"');
    }
    return m_path + "/" + std::string(name);
}

std::string ScratchFolder::Write(std::string_view name, std::string_view bytes) const {
    const std::string path = File(name);
    fs::create_directories(fs::path(path).parent_path());
    WriteFile(path, bytes);
    return path;
}

std::string ScratchFolder::WriteProgram(std::string_view name, std::string_view script) const {
    const std::string path = Write(name, script);
    if (::chmod(path.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot make " + path + " executable: " + std::strerror(errno));
    }
    return path;
}

const ScratchFolder& ProcessScratchFolder() {
    static const ScratchFolder folder("process");
    return folder;
}

}  // namespace quarrow::test
