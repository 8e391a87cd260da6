#pragma once
// Test helpers for process tests: a private temporary folder, small executable scripts in it,
// and waiting for a file that another process writes.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quarrow::test {

class ScratchDir {
public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quarrow-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_path = pattern;
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

    // Writes `content` to `name` (folders made as needed); `executable` sets mode 0755.
    std::string Write(const std::string& name, const std::string& content, bool executable = false) const {
        const std::filesystem::path file = m_path / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        if (executable) {
            ::chmod(file.c_str(), 0755);
        }
        return file.string();
    }

private:
    std::filesystem::path m_path;
};

inline bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A shell script that writes its arguments, one a line, to `outFile`, atomically: the file
// appears complete or not at all. More shell lines may run before that.
inline std::string ArgumentWriterScript(const std::string& outFile, const std::string& before = "") {
    return "#!/bin/sh\n" + before + "\n: > '" + outFile + ".part'\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
           outFile + ".part'; done\nmv '" + outFile + ".part' '" + outFile + "'\n";
}

// True when this process has no child left, neither running nor a zombie.
inline bool HasNoChildren() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

inline std::string CurrentDir() { return std::filesystem::current_path().string(); }

}  // namespace quarrow::test
