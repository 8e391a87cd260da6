#include "app/startup_request.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "app/startup_paths.h"
#include "platform/message_sink.h"
#include "platform/path_rules.h"
#include "settings/profile.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"

namespace quarrow {

namespace {

// Whether `key` names the file `tagsPath`, in these words or others (a link, "..").
bool NamesSameFile(const std::string& key, const std::string& tagsPath) {
    if (key == tagsPath) {
        return true;
    }
    namespace fs = std::filesystem;
    if (!path_rules::IsAbsolute(key)) {
        return false;
    }
    std::error_code keyError;
    std::error_code pathError;
    const fs::path keyFile = fs::weakly_canonical(key, keyError);
    const fs::path tagsFile = fs::weakly_canonical(tagsPath, pathError);
    return !keyError && !pathError && keyFile == tagsFile;
}

}  // namespace

void ForgetCreateTagsTarget(Profile& profile, const std::string& tagsPath) {
    std::vector<std::pair<std::string, std::string>> keys = profile.ReadSection(setting_keys::kCreateTagsParam);
    const auto removed = std::erase_if(keys, [&](const auto& entry) { return NamesSameFile(entry.first, tagsPath); });
    if (removed != 0) {
        profile.WriteSection(setting_keys::kCreateTagsParam, keys);
    }
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i != 0) {
            line.push_back(' ');
        }
        line += arguments[i];
    }
    return line;
}

StartupRequest ParseCommandLine(const std::vector<std::string>& arguments, std::string_view startDirectory) {
    StartupRequest request;
    for (const std::string& word : arguments) {
        if (!word.empty() && word.front() == '-') {
            continue;  // a switch; none has a role in this program
        }
        if (word.empty()) {
            continue;  // an empty argument names no file
        }
        request.command = StartupCommand::OpenFile;
        request.fileName = AbsolutePath(startDirectory, word);
        break;
    }
    return request;
}

StartupRequest MakeStartupRequest(const std::vector<std::string>& arguments, Profile& profile,
                                  const AppPaths& paths, const CtagsStarter& runCtags,
                                  MessageSink& sink) {
    StartupRequest request = ParseCommandLine(arguments, paths.startDirectory);

    const std::string rawLine = JoinCommandLine(arguments);
    if (rawLine.starts_with(kTagsOption)) {
        // Everything after the option is the directory, blanks and quotes included.
        const std::string target = rawLine.substr(kTagsOption.size());
        if (!path_rules::IsAbsolute(target)) {
            sink.ShowMessage(kFullPathMessage);
            return {StartupCommand::EndProgram, {}};
        }
        // Exists already on every start but the first; any other failure shows up when the
        // generated file cannot be opened.
        mkdir(paths.temporaryDirectory.c_str(), 0777);

        // Remembered for the tags file as the create command remembers its targets, so that
        // re-creating it from the dialog or with F5 indexes the same folder. A target the profile
        // cannot hold (a line break in it) must not leave an earlier one standing for this file.
        if (!profile.WriteString(setting_keys::kCreateTagsParam, paths.defaultTagsPath, target)) {
            ForgetCreateTagsTarget(profile, paths.defaultTagsPath);
            sink.ShowMessage(kTargetNotRememberedMessage);
        }

        ViewSettings settings;
        settings.Load(profile);
        const ViewSettings atStart = settings;
        const int ran = runCtags ? runCtags(settings, paths.defaultTagsPath, target) : 0;
        settings.Save(profile, atStart);
        if (ran == 1) {
            request = {StartupCommand::OpenFile, paths.defaultTagsPath};
        }
        return request;
    }

    if (request.command == StartupCommand::NewDocument) {
        const int restartRead = profile.ReadInt(setting_keys::kSystem, setting_keys::kRestartRead,
                                                setting_defaults::kRestartRead);
        std::string lastTags = profile.ReadString(setting_keys::kTags, setting_keys::kLastTags,
                                                  setting_defaults::kLastTags);
        if (IsOn(restartRead) && !lastTags.empty()) {
            request = {StartupCommand::OpenFile, std::move(lastTags)};
        }
    }
    return request;
}

}  // namespace quarrow
