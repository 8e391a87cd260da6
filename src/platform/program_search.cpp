#include "platform/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace quarrow {

namespace {

bool IsExecutableFile(const std::string& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgramOnPath(std::string_view program) {
    if (program.empty()) {
        return {};
    }
    if (program.find('/') != std::string_view::npos) {
        std::string file(program);
        return IsExecutableFile(file) ? file : std::string();
    }
    const char* path = std::getenv("PATH");
    const std::string_view searchPath = path ? path : "/bin:/usr/bin";
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = searchPath.find(':', begin);
        std::string_view folder = searchPath.substr(begin, end == std::string_view::npos ? end : end - begin);
        if (folder.empty()) {
            folder = ".";
        }
        std::string candidate;
        candidate.append(folder).append(1, '/').append(program);
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        if (end == std::string_view::npos) {
            return {};
        }
        begin = end + 1;
    }
}

}  // namespace quarrow
