#include "app/startup_paths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/path_rules.h"

namespace quarrow {

namespace {

constexpr char kSep = path_rules::kSeparator;

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string PasswordHome() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir) : std::string();
}

// "/a/b/" -> "/a/b"; "/" stays "/".
std::string WithoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == kSep) {
        path.pop_back();
    }
    return path;
}

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kSep) {
        path.push_back(kSep);
    }
    return path;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The home used when the executable's directory cannot take the profile.
std::string FallbackHome(const StartupEnvironment& environment) {
    std::string root;
    if (path_rules::IsAbsolute(environment.configHome)) {
        root = WithoutTrailingSeparators(environment.configHome);
    } else {
        std::string home = environment.home.empty() ? PasswordHome() : environment.home;
        if (!path_rules::IsAbsolute(home)) {
            return {};
        }
        root = WithoutTrailingSeparators(home);
        if (root != "/") {
            root.push_back(kSep);
        }
        root += ".config";
    }
    if (root != "/") {
        root.push_back(kSep);
    }
    root += kConfigFolderName;
    return root;
}

}  // namespace

StartupEnvironment StartupEnvironment::FromProcess() {
    StartupEnvironment environment;
    environment.configHome = EnvironmentValue("XDG_CONFIG_HOME");
    environment.home = EnvironmentValue("HOME");
    environment.startDirectory = CurrentDirectory();
    environment.isWritable = [](const std::string& directory) {
        return access(directory.c_str(), W_OK | X_OK) == 0;
    };
    return environment;
}

std::string ExecutablePath() {
    // readlink does not say whether it cut the path, so grow the buffer until it fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) {
            return std::string(buffer.data());
        }
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string AbsolutePath(std::string_view baseDirectory, std::string_view path) {
    if (path.empty() || path_rules::IsAbsolute(path)) {
        return std::string(path);
    }
    while (path.size() >= 2 && path[0] == '.' && path[1] == kSep) {
        path.remove_prefix(2);
        while (!path.empty() && path.front() == kSep) {
            path.remove_prefix(1);
        }
    }
    std::string result = WithTrailingSeparator(std::string(baseDirectory));
    result += path;
    return result;
}

bool MakeDirectories(const std::string& directory) {
    if (directory.empty()) {
        return false;
    }
    if (IsDirectory(directory)) {
        return true;
    }
    // Create each missing folder from the top down; a folder made meanwhile by another
    // instance counts as made.
    for (std::size_t end = directory.find(kSep, 1); ; end = directory.find(kSep, end + 1)) {
        const std::string part = directory.substr(0, end);
        if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (end == std::string::npos) {
            break;
        }
    }
    return IsDirectory(directory);
}

AppPaths LocateProfile(std::string_view executablePath, const StartupEnvironment& environment) {
    AppPaths paths;
    paths.startDirectory = environment.startDirectory;

    const std::string executable = AbsolutePath(environment.startDirectory, executablePath);
    const std::size_t lastSeparator = executable.rfind(kSep);
    std::string baseName;
    if (lastSeparator == std::string::npos) {
        paths.executableDirectory = WithTrailingSeparator(environment.startDirectory);
        baseName = executable;
    } else {
        paths.executableDirectory = executable.substr(0, lastSeparator + 1);
        baseName = executable.substr(lastSeparator + 1);
    }
    if (const std::size_t dot = baseName.rfind('.'); dot != std::string::npos) {
        baseName.erase(dot);
    }

    paths.homeDirectory = paths.executableDirectory;
    const bool writable = environment.isWritable && environment.isWritable(paths.executableDirectory);
    if (!writable) {
        const std::string fallback = FallbackHome(environment);
        // Without any usable home the executable's directory stays: the profile then simply
        // cannot be written, as with a read-only install.
        if (!fallback.empty()) {
            MakeDirectories(fallback);
            paths.homeDirectory = WithTrailingSeparator(fallback);
        }
    }

    paths.profilePath = paths.homeDirectory + baseName + std::string(kProfileExtension);
    paths.temporaryDirectory = paths.homeDirectory + std::string(kTemporaryDirectoryName);
    paths.defaultTagsPath = paths.temporaryDirectory + kSep + std::string(kDefaultTagsFileName);
    return paths;
}

AppPaths LocateProfile(std::string_view executablePath) {
    return LocateProfile(executablePath, StartupEnvironment::FromProcess());
}

}  // namespace quarrow
