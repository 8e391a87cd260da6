#pragma once
// Where Quarrow keeps its files: the home directory of the profile, the profile itself, the
// temporary directory that "-T" writes its tags file into, and the directory the program was
// started from. Worked out once at start-up, before any setting is read.

#include <functional>
#include <string>
#include <string_view>

namespace quarrow {

inline constexpr std::string_view kProfileExtension = ".INI";
inline constexpr std::string_view kTemporaryDirectoryName = "tmp";
inline constexpr std::string_view kDefaultTagsFileName = "QR-SOURCE.tags";
inline constexpr std::string_view kConfigFolderName = "quarrow";

// The paths start-up derives. Directories named "...Directory" end with '/' where noted.
struct AppPaths {
    std::string executableDirectory;  // ends with '/'
    std::string homeDirectory;        // ends with '/': the executable's directory or the fallback
    std::string profilePath;          // home + executable base name (cut at the last dot) + ".INI"
    std::string temporaryDirectory;   // home + "tmp" (no trailing '/')
    std::string defaultTagsPath;      // temporary directory + "/QR-SOURCE.tags"
    std::string startDirectory;       // the current directory at start-up (no trailing '/' unless "/")

    bool operator==(const AppPaths&) const = default;
};

// What LocateProfile looks at in the process, made explicit so tests can set every part.
struct StartupEnvironment {
    std::string configHome;      // $XDG_CONFIG_HOME (ignored when empty or relative)
    std::string home;            // $HOME, else the password database's home
    std::string startDirectory;  // the process's current directory
    // True when files can be created in the directory; the real check asks the kernel.
    std::function<bool(const std::string& directory)> isWritable;

    static StartupEnvironment FromProcess();
};

// The running executable's full path, symbolic links resolved (empty when it cannot be found).
std::string ExecutablePath();

// The process's current directory, of any length (empty when it cannot be read).
std::string CurrentDirectory();

// Works out every path from the executable's path. The executable's directory is the home when
// files can be created in it (a portable install); otherwise the home is
// ${XDG_CONFIG_HOME:-$HOME/.config}/quarrow/, created on demand. The current directory is not
// changed: relative paths given at start-up are resolved against `startDirectory`.
AppPaths LocateProfile(std::string_view executablePath, const StartupEnvironment& environment);
AppPaths LocateProfile(std::string_view executablePath);

// `path` made absolute against `baseDirectory` (returned as it is when already absolute or empty).
std::string AbsolutePath(std::string_view baseDirectory, std::string_view path);

// Creates the directory and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& directory);

}  // namespace quarrow
