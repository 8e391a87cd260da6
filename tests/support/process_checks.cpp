#include "support/process_checks.h"

#include <sys/wait.h>

#include <cerrno>
#include <filesystem>

namespace quarrow::test {

bool HasNoChildren() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

std::string CurrentDir() { return std::filesystem::current_path().string(); }

}  // namespace quarrow::test
