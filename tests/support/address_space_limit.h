#pragma once
// Runs a piece of a test with little address space left, to make allocations fail the way they
// do when memory runs out: the soft RLIMIT_AS is lowered to what the process uses now plus some
// headroom, and put back when the object goes.

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>

namespace quarrow::test {

// AddressSanitizer reserves terabytes of shadow memory, so no limit can be set under it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// The address space the process uses now, in bytes.
inline std::size_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

class AddressSpaceLimit final {
public:
    explicit AddressSpaceLimit(std::size_t headroom) {
        ::getrlimit(RLIMIT_AS, &m_saved);
        const rlimit limit{AddressSpaceInUse() + headroom, m_saved.rlim_max};
        m_set = ::setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &m_saved); }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    bool Set() const noexcept { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

}  // namespace quarrow::test
