// quarrow-tree: loads a tags file as the window does (read, parse, order) and prints the ordered
// store or the tag tree, for terminals, scripts, tests and benchmarks.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tags/quarrow_doc.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_filter.h"
#include "tree/tag_tree_printer.h"

namespace {

constexpr const char* kUsage =
    "Usage: quarrow-tree [--store] [--filter TEXT] [--code-page 932] TAGSFILE\n"
    "Loads a tags file and prints its tag tree: one node a line, two blanks of indent per level,\n"
    "the image index, a blank and the label; \" [expanded]\" marks a node shown open.\n"
    "\n"
    "  --store          print the ordered tag lines instead, as saving the document writes them\n"
    "  --filter TEXT    print only the members whose names contain TEXT (ignoring the case of\n"
    "                   ASCII letters) with their files and folders, and the files whose names\n"
    "                   contain it; an empty TEXT prints the whole tree\n"
    "  --code-page N    932 reads file names with the Shift-JIS rules; anything else byte-wise\n"
    "                   (the default, as for UTF-8)\n"
    "  --help           show this text\n";

int Fail(const char* message) {
    std::fprintf(stderr, "quarrow-tree: %s\n%s", message, kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool store = false;
    const char* filter = nullptr;
    int codePage = 0;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--store") {
            store = true;
        } else if (arg == "--filter" || arg.starts_with("--filter=")) {
            if (arg == "--filter") {
                if (i + 1 >= argc) {
                    return Fail("--filter needs a text");
                }
                filter = argv[++i];
            } else {
                filter = argv[i] + std::strlen("--filter=");
            }
        } else if (arg == "--code-page" || arg.starts_with("--code-page=")) {
            const char* value = nullptr;
            if (arg == "--code-page") {
                if (i + 1 >= argc) {
                    return Fail("--code-page needs a number");
                }
                value = argv[++i];
            } else {
                value = argv[i] + std::strlen("--code-page=");
            }
            char* end = nullptr;
            errno = 0;
            const long number = std::strtol(value, &end, 10);
            if (end == value || *end != '\0' || errno != 0 || number < 0 || number > 65535) {
                return Fail("--code-page needs a number");
            }
            codePage = static_cast<int>(number);
        } else if (arg == "--") {
            if (i + 1 < argc && path == nullptr && i + 2 == argc) {
                path = argv[++i];
            } else {
                return Fail("exactly one tags file is needed");
            }
        } else if (arg.starts_with("-") && arg.size() > 1) {
            std::string message = "unknown option " + std::string(arg);
            return Fail(message.c_str());
        } else if (path == nullptr) {
            path = argv[i];
        } else {
            return Fail("exactly one tags file is needed");
        }
    }
    if (path == nullptr) {
        return Fail("exactly one tags file is needed");
    }

    // Printing a million lines must not dominate the run: a large buffer for stdout (the tree
    // printer gathers its own blocks; the store is written line by line).
    static std::vector<char> buffer(1 << 18);
    std::setvbuf(stdout, buffer.data(), _IOFBF, buffer.size());

    const quarrow::CodePage cp = quarrow::CodePageFromNumber(codePage);
    quarrow::CQuarrowDoc doc(nullptr, cp);
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

    bool written = false;
    if (store) {
        written = doc.WriteTags(stdout);
    } else {
        quarrow::TagTree tree;
        quarrow::BuildTagTree(tree, doc.GetTags(), cp);
        const quarrow::TagFilterText text(filter != nullptr ? filter : "", cp);
        if (text.Empty()) {
            written = quarrow::PrintTagTree(tree, stdout);
        } else {
            quarrow::TagTreeFilter kept;
            kept.Apply(tree, text);
            written = quarrow::PrintTagTree(tree, kept, stdout);
        }
    }
    if (!written || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "quarrow-tree: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
