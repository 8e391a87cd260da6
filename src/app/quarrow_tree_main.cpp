// quarrow-tree: loads a tags file as the window does (read, parse, order) and prints the ordered
// store or the tag tree, for terminals, scripts, tests and benchmarks.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/version_info.h"
#include "tags/load_times.h"
#include "tags/quarrow_doc.h"
#include "tree/symbol_finder.h"
#include "tree/tag_facets.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_filter.h"
#include "tree/tag_tree_printer.h"

namespace {

constexpr const char* kUsage =
    "Usage: quarrow-tree [OPTION]... TAGSFILE\n"
    "Loads a tags file and prints its tag tree: one node a line, two blanks of indent per level,\n"
    "the image index, a blank and the label; \" [expanded]\" marks a node shown open.\n"
    "\n"
    "  --store          print the ordered tag lines instead, as saving the document writes them\n"
    "  --filter TEXT    print only the members whose names contain TEXT (ignoring the case of\n"
    "                   ASCII letters) with their files and folders, and the files whose names\n"
    "                   contain it; an empty TEXT prints the whole tree\n"
    "  --kinds LETTERS  with --filter (or alone): only the members whose kind letter is one of LETTERS\n"
    "  --access WORDS   with --filter (or alone): only the members whose access is one of WORDS, a\n"
    "                   list of public, protected, private and package separated by commas;\n"
    "                   members without an access field stay\n"
    "  --find QUERY     print the tags whose names match QUERY, best first, one a line: name, kind,\n"
    "                   scope, file, line and score, separated by TABs. QUERY's words must all\n"
    "                   match: a word's characters appear in the name in order; k:LETTER or\n"
    "                   kind:NAME keeps one kind, f:TEXT files whose path holds TEXT, Outer.name\n"
    "                   or Outer::name asks for the scope as well\n"
    "  --limit N        print at most N tags of --find (all of them without it)\n"
    "  --lang-icons     images by each tag's language and kind (the window's \"言語別アイコン\")\n"
    "  --nest           members under the member their scope names (\"スコープで入れ子表示\")\n"
    "  --code-page N    932 reads the file with the Shift-JIS rules; anything else byte-wise, as\n"
    "                   UTF-8. Without it a file that is Shift-JIS but not UTF-8 is read as 932,\n"
    "                   any other as UTF-8\n"
    "  --verbose        tell on standard error which code page the file was read with\n"
    "  --help           show this text\n"
    "  --version        show the version\n";

// What the command line asks for.
struct Request {
    bool store = false;
    const char* filter = "";
    const char* find = nullptr;
    quarrow::TagFacets facets;
    std::size_t limit = SIZE_MAX;
    quarrow::TreeOptions options;
    std::optional<quarrow::CodePage> codePage;  // none: the file's bytes tell
    bool verbose = false;
    const char* path = nullptr;
};

// One option: its name, whether it takes a value ("--name VALUE" or "--name=VALUE"), and what
// it does to the request; a non-empty result is the complaint. A new option is one more row
// here and one more line in kUsage.
struct CommandOption {
    std::string_view name;
    bool takesValue;
    std::string (*apply)(Request& request, const char* value);
};

std::string SetCodePage(Request& request, const char* value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || errno != 0 || number < 0 || number > 65535) {
        return "--code-page needs a number";
    }
    request.codePage = quarrow::CodePageFromNumber(static_cast<int>(number));
    return {};
}

std::string SetLimit(Request& request, const char* value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(value, &end, 10);
    if (end == value || *end != '\0' || errno != 0 || *value == '-') {
        return "--limit needs a number";
    }
    request.limit = static_cast<std::size_t>(number);
    return {};
}

// Prints the found tags of `query`, one a line; false when the output failed.
bool PrintFoundSymbols(const quarrow::TagStore& store, const char* text, std::size_t limit, quarrow::CodePage cp) {
    const quarrow::SymbolIndex index(store);
    const quarrow::SymbolQuery query = quarrow::ParseSymbolQuery(text, cp);
    std::string line;
    for (const quarrow::FoundSymbol& found : quarrow::FindSymbols(index, query, limit)) {
        const quarrow::CTagEntry& tag = store[found.position];
        line.clear();
        for (const std::string_view field :
             {tag.GetName(), quarrow::TagKindText(tag), quarrow::TagScopeText(tag), tag.GetFile()}) {
            line.append(field);
            line.push_back('\t');
        }
        line.append(tag.GetLineNo());
        line.push_back('\t');
        line.append(std::to_string(found.score));
        line.push_back('\n');
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
            return false;
        }
    }
    return true;
}

std::string SetAccess(Request& request, const char* value) {
    if (!request.facets.ShowAccess(value)) {
        return "--access takes public, protected, private and package, separated by commas";
    }
    return {};
}

constexpr CommandOption kOptions[] = {
    {"--store", false, [](Request& request, const char*) { request.store = true; return std::string(); }},
    {"--lang-icons", false, [](Request& request, const char*) { request.options.languageIcons = true; return std::string(); }},
    {"--verbose", false, [](Request& request, const char*) { request.verbose = true; return std::string(); }},
    {"--nest", false, [](Request& request, const char*) { request.options.nestScopes = true; return std::string(); }},
    {"--code-page", true, SetCodePage},
    {"--filter", true, [](Request& request, const char* value) { request.filter = value; return std::string(); }},
    {"--find", true, [](Request& request, const char* value) { request.find = value; return std::string(); }},
    {"--limit", true, SetLimit},
    {"--kinds", true, [](Request& request, const char* value) { request.facets.ShowKinds(value); return std::string(); }},
    {"--access", true, SetAccess},
};

int Fail(const std::string& message) {
    std::fprintf(stderr, "quarrow-tree: %s\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Request request;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs(quarrow::CommandLineVersionText("quarrow-tree").c_str(), stdout);
            return 0;
        }
        if (arg == "--") {
            if (i + 1 < argc && request.path == nullptr && i + 2 == argc) {
                request.path = argv[++i];
                continue;
            }
            return Fail("exactly one tags file is needed");
        }
        if (arg.starts_with("-") && arg.size() > 1) {
            const std::string_view name = arg.substr(0, arg.find('='));
            const CommandOption* chosen = nullptr;
            for (const CommandOption& option : kOptions) {
                if (option.name == name) {
                    chosen = &option;
                }
            }
            if (chosen == nullptr || (!chosen->takesValue && name.size() != arg.size())) {
                return Fail("unknown option " + std::string(arg));
            }
            const char* value = nullptr;
            if (chosen->takesValue) {
                if (name.size() != arg.size()) {
                    value = argv[i] + name.size() + 1;
                } else if (i + 1 < argc) {
                    value = argv[++i];
                } else {
                    return Fail(std::string(name) + " needs a value");
                }
            }
            if (const std::string complaint = chosen->apply(request, value); !complaint.empty()) {
                return Fail(complaint);
            }
        } else if (request.path == nullptr) {
            request.path = argv[i];
        } else {
            return Fail("exactly one tags file is needed");
        }
    }
    if (request.path == nullptr) {
        return Fail("exactly one tags file is needed");
    }
    const bool store = request.store;
    const char* path = request.path;
    const quarrow::TreeOptions options = request.options;

    // Printing a million lines must not dominate the run: a large buffer for stdout (the tree
    // printer gathers its own blocks; the store is written line by line).
    static std::vector<char> buffer(1 << 18);
    std::setvbuf(stdout, buffer.data(), _IOFBF, buffer.size());

    quarrow::CQuarrowDoc doc(nullptr, request.codePage);
    // One load, printed and done: the file is mapped instead of copied.
    doc.SetFileAccess(quarrow::FileAccess::Map);
    const quarrow::FileError error = doc.OpenDocument(path);
    if (error != quarrow::FileError::None) {
        // The document's message names the file and the cause; errno is the fallback.
        const int cause = errno;
        const std::string message = quarrow::FileErrorMessage(error, path);
        if (message.empty()) {
            std::fprintf(stderr, "quarrow-tree: cannot open %s: %s\n", path, std::strerror(cause));
        } else {
            std::fprintf(stderr, "quarrow-tree: %s\n", message.c_str());
        }
        return 1;
    }
    const quarrow::CodePage cp = doc.GetCodePage();
    if (request.verbose) {
        std::fprintf(stderr, "quarrow-tree: code page %s, %s\n",
                     cp == quarrow::CodePage::ShiftJis ? "932 (Shift-JIS)" : "65001 (UTF-8)",
                     request.codePage ? "as given" : "found from the file's bytes");
    }

    bool written = false;
    if (request.find != nullptr) {
        written = PrintFoundSymbols(doc.GetTags(), request.find, request.limit, cp);
    } else if (store) {
        written = doc.WriteTags(stdout);
    } else {
        quarrow::TagTree tree;
        quarrow::BuildTagTree(tree, doc.GetTags(), cp, options);
        const quarrow::TagFilterText text(request.filter, cp);
        if (text.Empty() && !request.facets.Active()) {
            written = quarrow::PrintTagTree(tree, stdout);
        } else {
            quarrow::TagTreeFilter kept;
            kept.SetFacets(request.facets);
            kept.Apply(tree, text);
            written = quarrow::PrintTagTree(tree, kept, stdout);
        }
    }
    quarrow::MarkLoadStage("print");
    if (doc.GetTags().TextLost()) {
        // The file shrank while it was printed: what was printed is not the file's.
        std::fprintf(stderr, "quarrow-tree: %s changed while it was read\n", path);
        return 1;
    }
    if (!written || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "quarrow-tree: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
