// The search of a tag's definition before a jump, over generated Java-like sources of 1 MB and
// 30 MB: reading the file and finding the line, as the window's jump does it. Three cases a jump
// meets: the file unchanged (the definition on the recorded line), lines inserted above it (found
// a few lines further), and the definition gone (every step of the search runs over the whole
// file before the recorded line is kept).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "editor/source_refind.h"
#include "editor/tag_address.h"

namespace {

using namespace quarrow;

constexpr std::int64_t kMiB = 1 << 20;

// A source of about `bytes` bytes: methods of a class, the searched one ("target") in the middle.
struct Source {
    std::string path;
    std::int64_t line = 0;  // where "target" is defined
};

std::string Folder() {
    static const std::string folder = [] {
        std::string path = (std::filesystem::temp_directory_path() / "quarrow-refind-bench").string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

Source MakeSource(std::int64_t bytes, const char* variant) {
    Source source{Folder() + "/" + std::to_string(bytes / kMiB) + "-" + variant + ".java"};
    std::string text;
    text.reserve(static_cast<std::size_t>(bytes) + 4096);
    text += "public class Big {\n";
    std::int64_t line = 1;
    int method = 0;
    bool placed = false;
    while (static_cast<std::int64_t>(text.size()) < bytes) {
        if (!placed && static_cast<std::int64_t>(text.size()) >= bytes / 2) {
            if (std::string(variant) == "inserted") {
                text += "    // a comment added above\n    // and another\n";
                line += 2;
            }
            if (std::string(variant) != "removed") {
                text += "    public int target(int a, String b) {\n";
                source.line = ++line;
                text += "        return a + b.length();\n    }\n";
                line += 2;
            }
            placed = true;
        }
        const std::string name = "method" + std::to_string(method++);
        text += "    public int " + name + "(int a, String b) {\n        return a * " + std::to_string(method) +
                " + b.length(); // " + name + "\n    }\n";
        line += 3;
    }
    text += "}\n";
    std::ofstream(source.path, std::ios::binary) << text;
    return source;
}

void Refind(benchmark::State& state, const char* variant) {
    const std::int64_t bytes = state.range(0) * kMiB;
    const Source unchanged = MakeSource(bytes, "unchanged");
    const Source source = MakeSource(bytes, variant);
    const TagAddress address =
        ParseExCommand("/^    public int target(int a, String b) {$/;\"\tm", CodePage::Utf8);
    RefindResult result;
    for (auto _ : state) {
        result = FindTagLineInFile(source.path, address, unchanged.line, "target");
        benchmark::DoNotOptimize(result);
    }
    state.counters["line"] = static_cast<double>(result.line);
    state.counters["step"] = static_cast<double>(static_cast<int>(result.step));
    state.SetBytesProcessed(state.iterations() * bytes);
}

void Unchanged(benchmark::State& state) { Refind(state, "unchanged"); }
void Inserted(benchmark::State& state) { Refind(state, "inserted"); }
void Removed(benchmark::State& state) { Refind(state, "removed"); }

BENCHMARK(Unchanged)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(Inserted)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK(Removed)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
