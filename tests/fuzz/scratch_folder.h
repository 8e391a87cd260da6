#pragma once
// A folder of the fuzz target's own under the temporary directory, for targets whose code under
// test reads and writes files by path. Made once per process, removed when the process exits.

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarrow::fuzz {

class ScratchFolder final {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quarrow-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(std::string_view name) const { return m_path + "/" + std::string(name); }

    // Replaces the file `name` by exactly `bytes` and returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const {
        const std::string path = Path(name);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
            std::fclose(file) != 0) {
            std::perror(path.c_str());
            std::abort();
        }
        return path;
    }

private:
    std::string m_path;
};

// The one folder of this process.
inline const ScratchFolder& Scratch() {
    static const ScratchFolder folder;
    return folder;
}

}  // namespace quarrow::fuzz
