// The symbol finder over whole tags files: each query of a list is typed one key at a time, and
// every key's ranking (the query read, every name scored, the best 200 tags listed) is timed.
// Prints, per file, the index's making and size and the keys' times: median, 95th percentile and
// worst, with the slowest query.
//
//   quarrow_find_bench [--rounds N] TAGSFILE...

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tags/quarrow_doc.h"
#include "tree/symbol_finder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Common and rare, short and long, with and without words for the kind, the file and the scope.
constexpr const char* kQueries[] = {
    "a",
    "e",
    "get",
    "getName",
    "toString",
    "ghf",
    "HashMap",
    "hm",
    "cnfe",
    "zzq",
    "readObject",
    "ioe",
    "k:m run",
    "k:c Map",
    "f:util list",
    "Map.put",
    "String::valueOf",
    "xyzzyplugh12",
    "parseInt",
    "DEFAULT_SIZE",
    "iae",
    "k:f MAX",
};
constexpr std::size_t kShown = 200;

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

// The processor time of the whole process (both threads of a shared scan), in milliseconds: on a
// busy machine the wall time holds the waits for a processor as well.
double ProcessorMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double part) {
    std::sort(values.begin(), values.end());
    const std::size_t at =
        std::min(values.size() - 1, static_cast<std::size_t>(part * static_cast<double>(values.size())));
    return values[at];
}

bool Run(const char* path, int rounds) {
    quarrow::CQuarrowDoc doc(nullptr, quarrow::CodePage::Utf8);
    doc.SetFileAccess(quarrow::FileAccess::Map);
    if (doc.OpenDocument(path) != quarrow::FileError::None) {
        std::fprintf(stderr, "find bench: cannot open %s\n", path);
        return false;
    }
    const quarrow::TagStore& store = doc.GetTags();
    const Clock::time_point start = Clock::now();
    const quarrow::SymbolIndex index(store);
    const double indexMs = Milliseconds(Clock::now() - start);
    std::printf(
        "%s: %zu tags, %zu names; index %.1f ms, %.2f bytes a tag\n", path, index.TagCount(), index.NameCount(),
        indexMs,
        static_cast<double>(index.MemoryBytes()) / static_cast<double>(std::max<std::size_t>(1, index.TagCount())));
    std::vector<double> keys;
    std::vector<double> processor;
    double worst = 0;
    std::string worstKey;
    for (int round = 0; round < rounds; ++round) {
        for (const std::string_view query : kQueries) {
            for (std::size_t typed = 1; typed <= query.size(); ++typed) {
                const std::string_view text = query.substr(0, typed);
                const double processorBefore = ProcessorMs();
                const Clock::time_point before = Clock::now();
                const auto found =
                    quarrow::FindSymbols(index, quarrow::ParseSymbolQuery(text, quarrow::CodePage::Utf8), kShown);
                const double ms = Milliseconds(Clock::now() - before);
                keys.push_back(ms);
                processor.push_back(ProcessorMs() - processorBefore);
                if (std::getenv("QUARROW_FIND_BENCH_KEYS") != nullptr) {
                    std::printf("    %7.2f ms  %zu shown  \"%.*s\"\n", ms, found.size(), static_cast<int>(text.size()),
                                text.data());
                }
                if (ms > worst) {
                    worst = ms;
                    worstKey = std::string(text) + "\" (" + std::to_string(found.size()) + " shown)";
                }
            }
        }
    }
    std::printf("  %zu keys: median %.1f ms, 95th percentile %.1f ms, worst %.1f ms at \"%s\n", keys.size(),
                Percentile(keys, 0.5), Percentile(keys, 0.95), worst, worstKey.c_str());
    std::printf("  processor time a key: median %.1f ms, 95th percentile %.1f ms\n", Percentile(processor, 0.5),
                Percentile(processor, 0.95));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 3;
    int first = 1;
    if (argc > 2 && std::string_view(argv[1]) == "--rounds") {
        rounds = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fputs("usage: quarrow_find_bench [--rounds N] TAGSFILE...\n", stderr);
        return 2;
    }
    bool ok = true;
    for (int i = first; i < argc; ++i) {
        ok = Run(argv[i], rounds) && ok;
    }
    return ok ? 0 : 1;
}
