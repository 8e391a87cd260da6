#pragma once
// How far the load of a tags file has come, and the request to stop it. The loading thread
// writes it; another thread (the window's) reads it on a timer and may ask the load to stop. A
// stopped load ends at its next check, gives an empty store and changes nothing it was given.

#include <atomic>
#include <cstdint>

namespace quarrow {

enum class LoadStage : std::uint8_t {
    Reading,   // bytes of the file read so far, of its size
    Ordering,  // the records are put into store order
    Building,  // the tree of the records is built
};

class LoadProgress final {
public:
    // Starts a stage whose amount of work is `total` (0 when it is not known).
    void Begin(LoadStage stage, std::uint64_t total = 0) noexcept {
        m_done.store(0, std::memory_order_relaxed);
        m_total.store(total, std::memory_order_relaxed);
        m_stage.store(stage, std::memory_order_release);
    }
    // Adds work done; safe from several threads at once.
    void Advance(std::uint64_t amount) noexcept { m_done.fetch_add(amount, std::memory_order_relaxed); }
    void Cancel() noexcept { m_cancelled.store(true, std::memory_order_release); }

    bool Cancelled() const noexcept { return m_cancelled.load(std::memory_order_acquire); }
    LoadStage Stage() const noexcept { return m_stage.load(std::memory_order_acquire); }
    std::uint64_t Done() const noexcept { return m_done.load(std::memory_order_relaxed); }
    std::uint64_t Total() const noexcept { return m_total.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<LoadStage> m_stage{LoadStage::Reading};
    std::atomic<std::uint64_t> m_done{0};
    std::atomic<std::uint64_t> m_total{0};
};

// The checks a loader makes; a load without a progress object is never stopped.
inline void BeginStage(LoadProgress* progress, LoadStage stage, std::uint64_t total = 0) noexcept {
    if (progress != nullptr) {
        progress->Begin(stage, total);
    }
}
inline void Advance(LoadProgress* progress, std::uint64_t amount) noexcept {
    if (progress != nullptr) {
        progress->Advance(amount);
    }
}
inline bool StopRequested(const LoadProgress* progress) noexcept {
    return progress != nullptr && progress->Cancelled();
}

}  // namespace quarrow
