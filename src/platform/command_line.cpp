#include "platform/command_line.h"

#include <ostream>

namespace quarrow {

std::vector<std::string> SplitCommandText(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // a word has begun, possibly still empty ("")
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::ostream& operator<<(std::ostream& out, const CommandLine& command) {
    out << "{program [" << command.program << "], arguments";
    for (const std::string& argument : command.arguments) {
        out << " [" << argument << ']';
    }
    return out << '}';
}

void PrintTo(const CommandLine& command, std::ostream* out) { *out << command; }

}  // namespace quarrow
