// Load, order, tree build and print of one tags file, each measured alone. The file is named by
// QUARROW_BENCH_TAGS (bench/run.sh makes the JDK's).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tags/tag_file_reader.h"
#include "tags/tag_order.h"
#include "tags/tag_store.h"
#include "tree/tag_tree.h"
#include "tree/tag_tree_builder.h"
#include "tree/tag_tree_printer.h"

namespace {

using namespace quarrow;

std::string TagsPath() {
    const char* path = std::getenv("QUARROW_BENCH_TAGS");
    return path != nullptr ? path : "build-bench/jdk.tags";
}

// The file read once and ordered, shared by the benchmarks that start from a loaded store.
const TagStore& SortedStore() {
    static TagStore store = [] {
        TagStore loaded;
        if (!ReadTagsFile(TagsPath(), CodePage::Utf8, loaded)) {
            std::fprintf(stderr, "cannot read %s (set QUARROW_BENCH_TAGS)\n", TagsPath().c_str());
            std::exit(1);
        }
        SortTagStore(loaded);
        return loaded;
    }();
    return store;
}

void BM_Load(benchmark::State& state) {
    const std::string path = TagsPath();
    for (auto _ : state) {
        TagStore store;
        if (!ReadTagsFile(path, CodePage::Utf8, store)) {
            state.SkipWithError("cannot read the tags file");
            break;
        }
        benchmark::DoNotOptimize(store.size());
    }
}

void BM_Sort(benchmark::State& state) {
    TagStore store;
    if (!ReadTagsFile(TagsPath(), CodePage::Utf8, store)) {
        state.SkipWithError("cannot read the tags file");
        return;
    }
    const std::vector<CTagEntry> unsorted = store.Records();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<CTagEntry> records = unsorted;
        state.ResumeTiming();
        SortTagRecords(records);
        benchmark::DoNotOptimize(records.data());
    }
    state.counters["records"] = static_cast<double>(unsorted.size());
}

// The argument picks the tree options: bit 0 language icons, bit 1 nesting.
void BM_BuildTree(benchmark::State& state) {
    const TagStore& store = SortedStore();
    const TreeOptions options{(state.range(0) & 1) != 0, (state.range(0) & 2) != 0};
    TagTree tree;
    for (auto _ : state) {
        BuildTagTree(tree, store, CodePage::Utf8, options);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}

void BM_PrintTree(benchmark::State& state) {
    const TagStore& store = SortedStore();
    TagTree tree;
    BuildTagTree(tree, store);
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(sink, buffer.data(), _IOFBF, buffer.size());
    for (auto _ : state) {
        PrintTagTree(tree, sink);
    }
    std::fclose(sink);
}

}  // namespace

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTree)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintTree)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
