#include "tags/tag_file_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/file_descriptor.h"
#include "tags/bit_count.h"
#include "tags/code_page_detect.h"
#include "tags/load_times.h"
#include "tags/shared_work.h"

namespace quarrow {

namespace {

void (*g_bytesLoadedHook)(int) = nullptr;

void BytesLoaded(int fd) {
    if (g_bytesLoadedHook != nullptr) {
        g_bytesLoadedHook(fd);
    }
}

constexpr char kEndOfFile = 0x1A;

// Files from this size on are read and parsed in parts on two threads.
constexpr std::size_t kThreadedBytes = std::size_t{1} << 20;
// The parts: chunks of the file for the reads, and a number of stretches of whole pieces.
constexpr std::size_t kReadChunk = std::size_t{4} << 20;
constexpr std::size_t kParseParts = 64;
// The long loops look at a request to stop every so many bytes or records: often enough that a
// stop takes a few milliseconds, rarely enough that the look costs nothing.
constexpr std::size_t kStopCheckBytes = std::size_t{1} << 24;
constexpr std::size_t kStopCheckPieces = std::size_t{1} << 16;

// Asks for huge pages, or (`huge` false) for none, under a large block. The records, filled by the
// processor, then cost a few dozen page faults instead of thousands. Only the whole huge pages
// inside the block are advised.
void AdviseHugePages(char* block, std::size_t size, bool huge = true) noexcept {
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{1} << 21;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(block) + size) & ~(kHuge - 1);
    if (end > begin) {
        // A hint; failure costs only time.
        ::madvise(reinterpret_cast<void*>(begin), end - begin, huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    }
#else
    (void)block;
    (void)size;
#endif
}

// Gives the whole pages inside `[from, from + size)` their memory before a read writes there: one
// call sets up the pages of a chunk at once, where the read's copy would fault on each page in
// turn, and each fault costs more than the clearing of its page. A hint; failure costs only time.
void PrefaultForWrite(char* from, std::size_t size) noexcept {
#if defined(MADV_POPULATE_WRITE)
    static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    if (pageSize == 0 || (pageSize & (pageSize - 1)) != 0) {
        return;
    }
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(from) + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(from) + size) & ~(pageSize - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
#else
    (void)from;
    (void)size;
#endif
}

// Reads from `offset` on into `into` until `want` bytes or the end of the file; `got` tells how
// many came. False when a read fails.
bool ReadAt(int fd, char* into, std::size_t offset, std::size_t want, std::size_t& got) noexcept {
    got = 0;
    while (got < want) {
        const ssize_t n = ::pread(fd, into + got, want - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// The size of the open file now; false when it cannot be had.
bool SizeNow(int fd, std::size_t& size) noexcept {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < 0) {
        return false;
    }
    size = static_cast<std::size_t>(info.st_size);
    return true;
}

// The bit of the first LF at or after byte `from` among the LFs of the 32 bytes at `base`
// (`mask`, lowest bit first); -1 when there is none.
int FirstLfFrom(std::size_t base, unsigned mask, std::size_t from) noexcept {
    while (mask != 0 && base + static_cast<std::size_t>(std::countr_zero(mask)) < from) {
        mask &= mask - 1;
    }
    return mask == 0 ? -1 : std::countr_zero(mask);
}

// How many of the LFs in `mask` lie at `bit` or before it.
std::size_t LfsUpTo(unsigned mask, int bit) noexcept {
    return BitCount(mask & ((2u << bit) - 1));
}

// How a block of text cuts into pieces, and where stretches of whole pieces start for the threads.
struct Shape {
    std::size_t size = 0;    // bytes before the end of the file (0x1A)
    std::size_t pieces = 0;
    std::vector<std::size_t> partStart;   // byte where each stretch starts; the first is 0
    std::vector<std::size_t> partPieces;  // pieces before each stretch
    // Every byte before this one is ASCII (the code page check starts here); a pass that does
    // not look leaves 0.
    std::size_t asciiBefore = 0;
};

// One pass over the block for the common file: no CR, no line of 2047 bytes or more. Finds the
// end of the file and counts the pieces by their LFs; false when the block needs the exact
// rules (TranslateTextMode and a piece-by-piece count), or the load was asked to stop.
bool ShapeQuickly(const char* bytes, std::size_t size, Shape& shape, const LoadProgress* progress) {
    const void* eof = std::memchr(bytes, kEndOfFile, size);
    if (eof != nullptr) {
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - bytes);
    }
    shape.partStart.assign(1, 0);
    shape.partPieces.assign(1, 0);
    std::size_t part = 1;
    std::size_t target = size / kParseParts;  // the next stretch starts after the first LF here or later
    std::size_t lines = 0;
    std::size_t lineStart = 0;  // the byte after the last LF
    // Called with the LFs of the 32 bytes at `base` as bits, lowest first.
    auto lfs = [&](std::size_t base, unsigned mask) {
        if (base + static_cast<std::size_t>(std::countr_zero(mask)) - lineStart >= kLineBufferSize - 1) {
            return false;  // a line of 2047 bytes or more before its LF comes in several pieces
        }
        while (part < kParseParts && base + 32 > target) {
            const int bit = FirstLfFrom(base, mask, target);
            if (bit < 0) {
                break;
            }
            shape.partStart.push_back(base + static_cast<std::size_t>(bit) + 1);
            shape.partPieces.push_back(lines + LfsUpTo(mask, bit));
            ++part;
            target = std::max(size / kParseParts * part, shape.partStart.back());
        }
        lines += BitCount(mask);
        lineStart = base + 32 - static_cast<std::size_t>(std::countl_zero(mask));
        return true;
    };
    std::size_t base = 0;
    // The first 32 bytes that hold a byte above 0x7F, seen on the way: the code page check skips
    // what lies before them.
    std::size_t firstHigh = SIZE_MAX;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; base + 32 <= size; base += 32) {
        if ((base & (kStopCheckBytes - 1)) == 0 && StopRequested(progress)) {
            return false;
        }
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + base));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + base + 16));
        if (firstHigh == SIZE_MAX && _mm_movemask_epi8(_mm_or_si128(low, high)) != 0) {
            firstHigh = base;
        }
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(low, cr), _mm_cmpeq_epi8(high, cr))));
        if (crs != 0) {
            return false;
        }
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, lf))) |
                              static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, lf))) << 16;
        if (mask == 0) {
            if (base + 32 - lineStart >= kLineBufferSize - 1) {
                return false;
            }
        } else if (!lfs(base, mask)) {
            return false;
        }
    }
#endif
    for (; base < size; base += 32) {
        unsigned mask = 0;
        for (std::size_t k = 0; k < 32 && base + k < size; ++k) {
            if (bytes[base + k] == '\r') {
                return false;
            }
            if (static_cast<unsigned char>(bytes[base + k]) >= 0x80) {
                firstHigh = std::min(firstHigh, base);
            }
            mask |= static_cast<unsigned>(bytes[base + k] == '\n') << k;
        }
        if (mask != 0 && !lfs(base, mask)) {
            return false;
        }
    }
    // The last line, when it has no LF, is one more piece.
    if (size - lineStart >= kLineBufferSize) {
        return false;
    }
    shape.asciiBefore = std::min(firstHigh, size);
    shape.size = size;
    shape.pieces = lines + (lineStart < size ? 1 : 0);
    return true;
}

// The exact rules, for any block: text mode applied in place, then the pieces counted one by one.
// False when the load was asked to stop.
bool ShapeExactly(char* bytes, std::size_t size, Shape& shape, const LoadProgress* progress) {
    shape.size = TranslateTextMode(bytes, size);
    shape.asciiBefore = 0;
    const std::string_view text(bytes, shape.size);
    shape.pieces = 0;
    shape.partStart.assign(1, 0);
    shape.partPieces.assign(1, 0);
    std::size_t target = shape.size / kParseParts;
    for (std::size_t pos = 0; pos < shape.size; pos += NextPieceLength(text.substr(pos))) {
        if (pos > 0 && pos >= target && shape.partStart.size() < kParseParts) {
            shape.partStart.push_back(pos);
            shape.partPieces.push_back(shape.pieces);
            target = shape.size / kParseParts * shape.partStart.size();
        }
        ++shape.pieces;
        if ((shape.pieces & (kStopCheckPieces - 1)) == 0 && StopRequested(progress)) {
            return false;
        }
    }
    return true;
}

// What one chunk of a read holds, seen while the chunk is still in the cache: its LFs, and
// whether it needs more than the quick rules (a CR, a byte 0x1A, a line of 2047 bytes or more
// between two of its LFs). Lines that cross into the next chunk are checked when the chunks are
// put together. The parse starts stretches after marked LFs: the chunk's first one and then the
// first one in each following sixteenth, so that a file of a single chunk is parsed on both
// threads too.
struct ChunkLines {
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t kMarks = 16;
    struct Mark {
        std::size_t lf = 0;     // offset inside the chunk
        std::size_t lines = 0;  // LFs of the chunk up to this one, itself included
    };
    std::size_t lfs = 0;
    std::size_t firstLf = kNone;  // offsets inside the chunk
    std::size_t lastLf = kNone;
    std::array<Mark, kMarks> marks{};
    std::size_t markCount = 0;
    std::size_t firstHigh = kNone;  // the first 32 bytes with a byte above 0x7F (offset)
    bool plain = true;
};

ChunkLines ScanChunk(const char* bytes, std::size_t size) noexcept {
    ChunkLines chunk;
    const std::size_t markBytes = kReadChunk / ChunkLines::kMarks;
    std::size_t nextMark = 0;  // the next mark is the first LF from here on
    auto lfs = [&](std::size_t base, unsigned mask) {
        const std::size_t first = base + static_cast<std::size_t>(std::countr_zero(mask));
        if (chunk.firstLf == ChunkLines::kNone) {
            chunk.firstLf = first;
        } else if (first - chunk.lastLf - 1 >= kLineBufferSize - 1) {
            chunk.plain = false;
        }
        if (chunk.markCount < ChunkLines::kMarks && base + 32 > nextMark) {
            if (const int bit = FirstLfFrom(base, mask, nextMark); bit >= 0) {
                const std::size_t lf = base + static_cast<std::size_t>(bit);
                chunk.marks[chunk.markCount++] = {lf, chunk.lfs + LfsUpTo(mask, bit)};
                while (nextMark <= lf) {
                    nextMark += markBytes;
                }
            }
        }
        chunk.lastLf = base + 31 - static_cast<std::size_t>(std::countl_zero(mask));
        chunk.lfs += BitCount(mask);
    };
    std::size_t base = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i eof = _mm_set1_epi8(kEndOfFile);
    for (; base + 32 <= size; base += 32) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + base));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + base + 16));
        const __m128i odd = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(low, cr), _mm_cmpeq_epi8(high, cr)),
                                         _mm_or_si128(_mm_cmpeq_epi8(low, eof), _mm_cmpeq_epi8(high, eof)));
        if (_mm_movemask_epi8(odd) != 0) {
            chunk.plain = false;
            return chunk;
        }
        if (chunk.firstHigh == ChunkLines::kNone && _mm_movemask_epi8(_mm_or_si128(low, high)) != 0) {
            chunk.firstHigh = base;
        }
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, lf))) |
                              static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, lf))) << 16;
        if (mask != 0) {
            lfs(base, mask);
        }
    }
#endif
    for (; base < size; base += 32) {
        unsigned mask = 0;
        for (std::size_t k = 0; k < 32 && base + k < size; ++k) {
            if (bytes[base + k] == '\r' || bytes[base + k] == kEndOfFile) {
                chunk.plain = false;
                return chunk;
            }
            if (static_cast<unsigned char>(bytes[base + k]) >= 0x80) {
                chunk.firstHigh = std::min(chunk.firstHigh, base);
            }
            mask |= static_cast<unsigned>(bytes[base + k] == '\n') << k;
        }
        if (mask != 0) {
            lfs(base, mask);
        }
    }
    return chunk;
}

// Puts the chunks of a read together into the shape ShapeQuickly would find, a stretch starting
// after each mark; false when the block needs the exact rules after all.
bool ShapeFromChunks(const std::vector<ChunkLines>& chunks, std::size_t chunkSize, std::size_t size, Shape& shape) {
    shape.partStart.assign(1, 0);
    shape.partPieces.assign(1, 0);
    std::size_t lines = 0;
    std::size_t lineStart = 0;  // the byte after the last LF
    std::size_t firstHigh = SIZE_MAX;
    for (std::size_t i = 0; i < chunks.size() && i * chunkSize < size; ++i) {
        const ChunkLines& chunk = chunks[i];
        if (!chunk.plain) {
            return false;
        }
        if (chunk.firstHigh != ChunkLines::kNone) {
            firstHigh = std::min(firstHigh, i * chunkSize + chunk.firstHigh);
        }
        if (chunk.lfs == 0) {
            continue;
        }
        const std::size_t offset = i * chunkSize;
        if (offset + chunk.firstLf - lineStart >= kLineBufferSize - 1) {
            return false;
        }
        for (std::size_t m = 0; m < chunk.markCount && offset + chunk.marks[m].lf + 1 < size; ++m) {
            shape.partStart.push_back(offset + chunk.marks[m].lf + 1);
            shape.partPieces.push_back(lines + chunk.marks[m].lines);
        }
        lines += chunk.lfs;
        lineStart = offset + chunk.lastLf + 1;
    }
    // The last line, when it has no LF, is one more piece.
    if (size - lineStart >= kLineBufferSize) {
        return false;
    }
    shape.asciiBefore = std::min(firstHigh, size);
    shape.size = size;
    shape.pieces = lines + (lineStart < size ? 1 : 0);
    return true;
}

// Reads the whole of an open regular file into one block; the file may grow or shrink while it
// is read. A large file is read in chunks by two threads at once: the copy out of the page cache
// and the clearing of fresh pages are most of a read. Each chunk is scanned for its lines right
// after its copy, while it is in the cache and on both threads; `shaped` tells that `shape` holds
// the block's shape from those scans (otherwise the caller finds it). False when a read fails.
bool ReadAll(int fd, std::size_t sizeHint, std::unique_ptr<char[]>& block, std::size_t& size, Shape& shape,
             bool& shaped, LoadProgress* progress) {
    shaped = false;
    std::size_t capacity = sizeHint + 1;  // one spare byte tells the end without a second read
    block = std::make_unique_for_overwrite<char[]>(capacity);
    // No huge pages for this block: each fault on one clears 2 MB before the read copies into it,
    // and two threads faulting them in contend; 4 KB pages cleared just before the copy cost the
    // read less than half the processor time (kernel tree: 1.5 s instead of 4 s).
    AdviseHugePages(block.get(), capacity, false);
    size = 0;
    if (sizeHint >= kThreadedBytes) {
        const std::size_t chunks = (capacity + kReadChunk - 1) / kReadChunk;
        std::vector<std::size_t> got(chunks, 0);
        std::vector<ChunkLines> lines(chunks);
        std::atomic<bool> failed{false};
        ShareWork(chunks, [&](std::size_t i) {
            const std::size_t offset = i * kReadChunk;
            const std::size_t want = std::min(kReadChunk, capacity - offset);
            if (failed || StopRequested(progress)) {
                failed = true;
            } else {
                PrefaultForWrite(block.get() + offset, want);
                if (ReadAt(fd, block.get() + offset, offset, want, got[i])) {
                    lines[i] = ScanChunk(block.get() + offset, got[i]);
                } else {
                    failed = true;
                }
            }
            Advance(progress, got[i]);
        });
        if (failed) {
            return false;
        }
        // The first short chunk ends the file (it shrank, or this is its end).
        for (std::size_t i = 0; i < chunks; ++i) {
            size += got[i];
            if (got[i] < std::min(kReadChunk, capacity - i * kReadChunk)) {
                shaped = ShapeFromChunks(lines, kReadChunk, size, shape);
                return true;
            }
        }
    }
    for (;;) {
        if (size == capacity) {
            const std::size_t grown = capacity + capacity / 2 + 4096;
            auto bigger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(bigger.get(), block.get(), size);
            block = std::move(bigger);
            capacity = grown;
        }
        std::size_t got = 0;
        if (StopRequested(progress) || !ReadAt(fd, block.get() + size, size, capacity - size, got)) {
            return false;
        }
        size += got;
        Advance(progress, got);
        if (size < capacity) {
            return true;
        }
    }
}

// Parses the pieces of `text` into `records`, which has room for exactly their number; stops
// early when the load is asked to stop.
void ParsePieces(std::string_view text, CodePage cp, CTagEntry* records, std::size_t count,
                 const LoadProgress* progress) noexcept {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count && pos < text.size(); ++i) {
        if ((i & (kStopCheckPieces - 1)) == kStopCheckPieces - 1 && StopRequested(progress)) {
            return;
        }
        const std::size_t length = NextPieceLength(text.substr(pos));
        records[i].Parse(text.substr(pos, length), cp);
        pos += length;
    }
}

}  // namespace

std::size_t TranslateTextMode(char* bytes, std::size_t size) noexcept {
    if (const void* eof = std::memchr(bytes, kEndOfFile, size); eof != nullptr) {
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - bytes);
    }
    const void* firstCr = std::memchr(bytes, '\r', size);
    if (firstCr == nullptr) {
        return size;
    }
    // Only a CR directly before an LF is dropped; a lone CR stays.
    std::size_t read = static_cast<std::size_t>(static_cast<const char*>(firstCr) - bytes);
    std::size_t write = read;
    while (read < size) {
        const char c = bytes[read++];
        if (c == '\r' && read < size && bytes[read] == '\n') {
            continue;
        }
        bytes[write++] = c;
    }
    return write;
}

std::size_t NextPieceLength(std::string_view rest) noexcept {
    const std::size_t limit = rest.size() < kLineBufferSize - 1 ? rest.size() : kLineBufferSize - 1;
    const void* lf = std::memchr(rest.data(), '\n', limit);
    return lf == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(lf) - rest.data()) + 1;
}

namespace {

// The file's bytes, mapped (a file of at least one byte, when `mayMap`) or read; false when it
// cannot be read or the load is to stop. `parseReports` tells that the parse reports progress
// too: the mapped path counts half of each byte when its page comes in, half when it is parsed.
// `shaped` tells that the read found the bytes' shape on the way (see ReadAll).
bool LoadBytes(int fd, std::size_t fileSize, bool mayMap, TagText& text, std::size_t& size, Shape& shape, bool& shaped,
               bool& parseReports, LoadProgress* progress) {
    parseReports = false;
    shaped = false;
    if (mayMap && fileSize > 0) {
        text = TagText::Map(fd, fileSize);
        if (text.data() != nullptr) {
            // The pages come in on two threads, in chunks that tell of progress.
            const std::size_t chunks = (fileSize + kReadChunk - 1) / kReadChunk;
            std::atomic<bool> failed{false};
            ShareWork(chunks, [&](std::size_t i) {
                const std::size_t offset = i * kReadChunk;
                const std::size_t length = std::min(kReadChunk, fileSize - offset);
                if (failed || StopRequested(progress) || !text.Populate(offset, length)) {
                    failed = true;
                }
                Advance(progress, length - length / 2);
            });
            if (!failed) {
                size = fileSize;
                parseReports = true;
                BytesLoaded(fd);
                return true;
            }
            text = TagText();
            if (StopRequested(progress)) {
                return false;
            }
            BeginStage(progress, LoadStage::Reading, fileSize);  // the file shrank: read what is there
        }
    }
    std::unique_ptr<char[]> block;
    if (!ReadAll(fd, fileSize, block, size, shape, shaped, progress)) {
        return false;
    }
    BytesLoaded(fd);
    // A read that races a truncation may hand back zeros past the new end: the kernel takes the
    // file's size before it copies the pages, and the truncation lowers the size first and then
    // clears the tail of the page (or larger folio) that holds the new end, which the copy may
    // already hold. Such zeros only lie past the size the file has once the zeroing was seen,
    // so a cut at the size taken after the read drops them.
    // A file that reports no size at all (some kernel files) has nothing to cut.
    std::size_t sizeNow = 0;
    if (!SizeNow(fd, sizeNow)) {
        return false;
    }
    if (sizeNow < size && (fileSize > 0 || sizeNow > 0)) {
        size = sizeNow;
        shaped = false;  // the shape the read found covers the bytes cut off
    }
    text = TagText(std::move(block));
    return true;
}

// Reads, shapes and parses the file once; `again` is set when its mapping lost pages on the way
// (the file shrank) and the caller should read it instead.
bool LoadOnce(int fd, std::size_t fileSize, std::optional<CodePage> given, TagStore& store, LoadProgress* progress,
              bool mayMap, bool& again) {
    again = false;
    TagText text;
    std::size_t size = 0;
    bool parseReports = false;
    Shape shape;
    bool shaped = false;
    if (!LoadBytes(fd, fileSize, mayMap, text, size, shape, shaped, parseReports, progress) ||
        StopRequested(progress)) {
        return false;
    }
    MarkLoadStage("read");
    if (!shaped && !ShapeQuickly(text.data(), size, shape, progress)) {
        if (StopRequested(progress)) {
            return false;
        }
        // The exact rules write only when there is a CR to drop; a mapping turns writable
        // (privately) first.
        if (text.Mapped() && std::memchr(text.data(), '\r', size) != nullptr && !text.MakeWritable()) {
            again = true;
            return false;
        }
        if (!ShapeExactly(text.data(), size, shape, progress)) {
            return false;
        }
    }
    // The order works on 32-bit record numbers.
    if (shape.pieces >= std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }

    const std::string_view whole(text.data(), shape.size);
    // Every record is parsed with the file's code page, so it is settled over the text-mode
    // bytes (no CR LF, nothing past a 0x1A) before the first record is; the ASCII the shaping
    // saw first is skipped, as the same in both code pages.
    const CodePage cp = given ? *given : DetectCodePage(whole.substr(std::min(shape.asciiBefore, whole.size())));
    std::vector<CTagEntry> records;
    records.reserve(shape.pieces);
    AdviseHugePages(reinterpret_cast<char*>(records.data()), shape.pieces * sizeof(CTagEntry));
    records.resize(shape.pieces);
    MarkLoadStage("records");
    // Stretches of whole pieces do not depend on each other.
    shape.partStart.push_back(shape.size);
    shape.partPieces.push_back(shape.pieces);
    const std::size_t parts = shape.size < kThreadedBytes ? 1 : shape.partStart.size() - 1;
    ShareWork(parts, [&](std::size_t part) {
        if (StopRequested(progress)) {
            return;
        }
        const std::size_t end = part + 1 < parts ? part + 1 : shape.partStart.size() - 1;
        const std::size_t bytes = shape.partStart[end] - shape.partStart[part];
        ParsePieces(whole.substr(shape.partStart[part], bytes), cp, records.data() + shape.partPieces[part],
                    shape.partPieces[end] - shape.partPieces[part], progress);
        if (parseReports) {
            Advance(progress, bytes / 2);
        }
    });
    if (StopRequested(progress)) {
        return false;
    }
    // A mapping sees a truncation as it happens: the pages past the new end are lost (the guard
    // puts zeros there and says so), and the page that holds the new end reads zeros past it
    // without any fault. The size drops before that zeroing, so a size below the mapped one,
    // taken after the parse, tells of both: the file is read instead.
    std::size_t sizeNow = 0;
    if (text.LostPages() || (text.Mapped() && (!SizeNow(fd, sizeNow) || sizeNow < size))) {
        again = true;
        return false;
    }
    MarkLoadStage("parse");
    // Every byte of the file counted once, whatever the text-mode rules took away.
    if (progress != nullptr && progress->Done() < fileSize) {
        progress->Advance(fileSize - progress->Done());
    }
    store.Assign(std::move(text), std::move(records));
    store.SetCodePage(cp);
    return true;
}

}  // namespace

void SetBytesLoadedHookForTests(void (*hook)(int fd)) noexcept {
    g_bytesLoadedHook = hook;
}

bool ReadTagsFile(const std::string& path, std::optional<CodePage> cp, TagStore& store, LoadProgress* progress,
                  FileAccess access) {
    store.Clear();
    // A FIFO or a device could block the open or the reads for ever: only regular files are
    // read, checked before the open and again on the open descriptor.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const auto fileSize = static_cast<std::size_t>(info.st_size);
    MarkLoadStage("open");
    BeginStage(progress, LoadStage::Reading, fileSize);
    bool again = false;
    if (LoadOnce(fd.Get(), fileSize, cp, store, progress, access == FileAccess::Map, again)) {
        return true;
    }
    if (!again) {
        return false;
    }
    // The mapping lost pages: the file shrank while it was loaded. Read what it holds now.
    store.Clear();
    BeginStage(progress, LoadStage::Reading, fileSize);
    return LoadOnce(fd.Get(), fileSize, cp, store, progress, false, again);
}

}  // namespace quarrow
