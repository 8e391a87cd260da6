// The code page check of a tags file loaded without a code page: the time DetectCodePage takes
// over a file's bytes as they lie in memory (best of several rounds), what it chose, and the
// share of the bytes above 0x7F that it had to look at one by one. This is the check over all the
// bytes; a load starts it at the first byte above 0x7F that its line scan saw, so over an ASCII
// file it costs the load nothing more (bench/code_page_run.sh compares whole runs).
//
//   quarrow_code_page_bench [--rounds N] TAGSFILE...

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "tags/code_page_detect.h"

int main(int argc, char** argv) {
    int rounds = 9;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--rounds") == 0) {
        rounds = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fputs("usage: quarrow_code_page_bench [--rounds N] TAGSFILE...\n", stderr);
        return 2;
    }
    for (int i = first; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.eof() && in.fail()) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const auto high = static_cast<std::size_t>(
            std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
        double best = 1e30;
        quarrow::CodePage chosen = quarrow::CodePage::Utf8;
        for (int round = 0; round < rounds; ++round) {
            const auto start = std::chrono::steady_clock::now();
            chosen = quarrow::DetectCodePage(bytes);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
        }
        std::printf("%s: %zu bytes, %zu above 0x7F, chose %s, detection %.2f ms (best of %d)\n", argv[i], bytes.size(),
                    high, chosen == quarrow::CodePage::ShiftJis ? "932" : "65001", best, rounds);
    }
    return 0;
}
