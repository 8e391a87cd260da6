#include "support/fake_tools.h"

namespace quarrow::test {

std::string ShellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

namespace {

// Shell lines that move the finished `outFile`.part to `outFile`.
std::string PublishPart(const std::string& outFile) {
    return "mv " + ShellQuoted(outFile + ".part") + " " + ShellQuoted(outFile) + "\n";
}

}  // namespace

std::string ArgumentWriterScript(const std::string& outFile, std::string_view before) {
    return "#!/bin/sh\n" + std::string(before) + "\n: > " + ShellQuoted(outFile + ".part") +
           "\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> " + ShellQuoted(outFile + ".part") + "; done\n" +
           PublishPart(outFile);
}

std::string NulArgumentWriterScript(const std::string& outFile) {
    return "#!/bin/sh\nprintf '%s\\0' \"$@\" > " + ShellQuoted(outFile + ".part") + "\n" + PublishPart(outFile);
}

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> words;
    std::size_t begin = 0;
    for (std::size_t nul; (nul = text.find('\0', begin)) != std::string::npos; begin = nul + 1) {
        words.push_back(text.substr(begin, nul - begin));
    }
    return words;
}

std::string FakeCtagsScript(std::string_view tags, std::string_view before, std::string_view after) {
    return "#!/bin/sh\n" + std::string(before) +
           "\nout=\nfor a in \"$@\"; do case \"$a\" in -f*) out=\"${a#-f}\";; esac; done\n"
           "printf '%s' " +
           ShellQuoted(tags) + " > \"$out\"\n" + std::string(after) + "\n";
}

}  // namespace quarrow::test
