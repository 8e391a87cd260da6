#include "tags/load_times.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace quarrow {
namespace {

// Whether marks are written; read from the environment once.
bool LoadTimesWanted() noexcept {
    static const bool wanted = std::getenv("QUARROW_LOAD_TIMES") != nullptr;
    return wanted;
}

}  // namespace

void MarkLoadStage(const char* stage) noexcept {
    if (!LoadTimesWanted()) {
        return;
    }
    const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    const auto cpu = static_cast<long long>(static_cast<double>(std::clock()) * (1e9 / CLOCKS_PER_SEC));
    std::fprintf(stderr, "load_stage %s %lld %lld\n", stage, static_cast<long long>(wall), cpu);
}

}  // namespace quarrow
