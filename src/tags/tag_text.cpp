#include "tags/tag_text.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#include "tags/load_times.h"

namespace quarrow {

namespace {

// A registered mapping: [begin, end) while it is live, end 0 when free. The handler only reads
// these, so it needs no lock.
struct GuardPlace {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> lost{false};
};

// More tags files than this mapped at once are read instead.
constexpr int kGuardPlaces = 64;
GuardPlace g_places[kGuardPlaces];
struct sigaction g_previous {};
std::uintptr_t g_pageSize = 4096;
std::once_flag g_installed;
bool g_installOk = false;

// Gives a fault the handler does not own to whoever had SIGBUS before.
void PassOn(int signal, siginfo_t* info, void* context) {
    if ((g_previous.sa_flags & SA_SIGINFO) != 0 && g_previous.sa_sigaction != nullptr) {
        g_previous.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN && g_previous.sa_handler != nullptr) {
        g_previous.sa_handler(signal);
        return;
    }
    // The default: end the process. A fault repeats the access on return and now meets the
    // default action; a signal sent by someone is sent again.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGBUS, &fallback, nullptr);
    if (info == nullptr || info->si_code <= 0) {
        ::raise(SIGBUS);
    }
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const std::uintptr_t address = info != nullptr ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0;
    if (info != nullptr && info->si_code > 0) {
        for (GuardPlace& place : g_places) {
            const std::uintptr_t end = place.end.load(std::memory_order_acquire);
            const std::uintptr_t begin = place.begin.load(std::memory_order_acquire);
            if (end == 0 || address < begin || address >= end) {
                continue;
            }
            // The page past the file's end: zeros take its place, and the access goes on.
            void* page = reinterpret_cast<void*>(address & ~(g_pageSize - 1));
            if (::mmap(page, g_pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
                place.lost.store(true, std::memory_order_release);
                errno = savedErrno;
                return;
            }
            break;
        }
    }
    errno = savedErrno;
    PassOn(signal, info, context);
}

void Install() {
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pageSize > 0) {
        g_pageSize = static_cast<std::uintptr_t>(pageSize);
    }
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    g_installOk = ::sigaction(SIGBUS, &action, &g_previous) == 0;
}

int Register(char* data, std::size_t length) noexcept {
    std::call_once(g_installed, Install);
    if (!g_installOk) {
        return -1;
    }
    for (int i = 0; i < kGuardPlaces; ++i) {
        bool expected = false;
        if (g_places[i].taken.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) {
            g_places[i].lost.store(false, std::memory_order_relaxed);
            g_places[i].begin.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
            g_places[i].end.store(reinterpret_cast<std::uintptr_t>(data) + length, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void Unregister(int slot) noexcept {
    g_places[slot].end.store(0, std::memory_order_release);
    g_places[slot].begin.store(0, std::memory_order_release);
    g_places[slot].taken.store(false, std::memory_order_release);
}

}  // namespace

// A registered mapping of a file, shared by its text and a copy job. Unmapped when both are done.
struct TagText::Mapping {
    Mapping(char* bytes, std::size_t size, int place) noexcept : data(bytes), length(size), slot(place) {}
    ~Mapping() {
        // Registered until the end: a fault raised just before a copy took the mapping's place
        // must still find its place when its handler runs.
        Unregister(slot);
        ::munmap(data, length);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    char* const data;
    const std::size_t length;
    const int slot;
    std::atomic<bool> copiedIn{false};
};

TagText::~TagText() = default;

TagText& TagText::operator=(TagText&& other) noexcept {
    if (this != &other) {
        // The records that view this text go with it: the old bytes first.
        m_mapping.reset();
        m_block = std::move(other.m_block);
        m_mapping = std::move(other.m_mapping);
        m_data = other.m_data;
        other.m_data = nullptr;
    }
    return *this;
}

TagText TagText::Map(int fd, std::size_t size) noexcept {
    TagText text;
    if (size == 0) {
        return text;
    }
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) {
        return text;
    }
    // Registered before the first access: no byte of it is read unguarded.
    const int slot = Register(static_cast<char*>(mapped), size);
    if (slot < 0) {
        ::munmap(mapped, size);
        return text;
    }
    try {
        text.m_mapping = std::make_shared<Mapping>(static_cast<char*>(mapped), size, slot);
    } catch (const std::bad_alloc&) {
        Unregister(slot);
        ::munmap(mapped, size);
        return text;
    }
    text.m_data = static_cast<char*>(mapped);
    return text;
}

bool TagText::MakeWritable() noexcept {
    return Mapped() && ::mprotect(m_data, m_mapping->length, PROT_READ | PROT_WRITE) == 0;
}

bool TagText::Populate(std::size_t offset, std::size_t length) noexcept {
    if (!Mapped() || offset >= m_mapping->length) {
        return Mapped();
    }
    length = std::min(length, m_mapping->length - offset);
    // Whole pages: the range starts on the page that holds `offset`.
    const std::size_t start = offset & ~(static_cast<std::size_t>(g_pageSize) - 1);
#if defined(MADV_POPULATE_READ)
    if (::madvise(m_data + start, offset + length - start, MADV_POPULATE_READ) == 0) {
        return !LostPages();
    }
    if (errno == EFAULT) {
        return false;  // a page past the file's end
    }
#endif
    // Older kernels: touch a byte of each page (under the guard).
    volatile char sink = 0;
    for (std::size_t at = start; at < offset + length; at += g_pageSize) {
        sink = static_cast<char>(sink ^ m_data[at]);
    }
    return !LostPages();
}

bool TagText::LostPages() const noexcept {
    return Mapped() && g_places[m_mapping->slot].lost.load(std::memory_order_acquire);
}

std::function<void()> TagText::CopyInJob(std::function<void()> beforeEachStep) const {
    if (!Mapped()) {
        return {};
    }
    return [weak = std::weak_ptr<Mapping>(m_mapping), beforeEachStep = std::move(beforeEachStep)] {
#if defined(MREMAP_FIXED)
        const std::shared_ptr<Mapping> mapping = weak.lock();
        if (!mapping || mapping->copiedIn.load(std::memory_order_acquire)) {
            return;  // gone, or copied already
        }
        // A step at a time, each put in its part of the mapping's place as soon as it is copied:
        // the process never holds the file's pages and the whole copy at once, and a text let go
        // meanwhile stops the copy soon. A page lost to a shrinking file reads as zeros here too,
        // as it would in the mapping.
        constexpr std::size_t kStep = std::size_t{2} << 20;  // a multiple of any page size
        for (std::size_t at = 0; at < mapping->length; at += kStep) {
            if (beforeEachStep) {
                beforeEachStep();
            }
            if (mapping.use_count() == 1) {
                return;  // no text views these bytes any more; the rest stays mapped
            }
            const std::size_t length = std::min(kStep, mapping->length - at);
            void* fresh = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (fresh == MAP_FAILED) {
                return;  // the rest stays mapped; it only lacks the protection from a rewrite
            }
            std::memcpy(fresh, mapping->data + at, length);
            // Moved in one step: a reader meets either the file's pages or the copy, the same
            // bytes at the same addresses.
            ::mprotect(fresh, length, PROT_READ);
            if (::mremap(fresh, length, length, MREMAP_MAYMOVE | MREMAP_FIXED, mapping->data + at) == MAP_FAILED) {
                ::munmap(fresh, length);
                return;
            }
        }
        mapping->copiedIn.store(true, std::memory_order_release);
        MarkLoadStage("copied_in");
#else
        (void)weak;
        (void)beforeEachStep;
#endif
    };
}

}  // namespace quarrow
