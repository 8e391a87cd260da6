#pragma once
// The bytes of a tags file that the records view: either a block read into memory, or the file
// itself mapped privately.
//
// A mapping spares the read its copy and the clearing of fresh pages (most of a load), but the
// file may shrink while it is mapped: a tool rewriting it in place truncates it first, and any
// access to a page past the new end then raises SIGBUS, during the load or at any time later while
// the window shows the records. No lock or lease prevents that on Linux (a read lease only tells,
// and a write lock is advisory), and populating the pages first does not help either: truncation
// takes even the private copies of those pages away. So every mapping is registered with a
// process-wide SIGBUS handler, installed with the first mapping, which answers a fault inside a
// registered mapping by putting a page of zeros in place of the lost one and marks the mapping as
// having lost pages; the access then goes on and reads zeros. Faults elsewhere go to the handler
// that was there before (or end the process as they would have). A load that sees its mapping lose
// pages reads the file instead; a store shown later keeps its records, whose lost bytes read as
// zeros until the window reads the changed file again. When no registration place is free, or the
// file cannot be mapped, the caller reads the file.
//
// A window that keeps showing the records has the mapped bytes copied into memory of its own
// once the tree is shown (CopyInJob): the copy takes the mapping's place at the same addresses,
// so the records keep viewing the same bytes, and from then on a rewrite of the file no longer
// reaches them. The load itself spares the copy and the clearing of fresh pages.

#include <cstddef>
#include <functional>
#include <memory>

namespace quarrow {

class TagText final {
public:
    TagText() = default;
    // Takes a block read into memory.
    TagText(std::unique_ptr<char[]> block) noexcept : m_block(std::move(block)), m_data(m_block.get()) {}  // NOLINT(google-explicit-constructor)
    ~TagText();
    TagText(TagText&& other) noexcept { *this = std::move(other); }
    TagText& operator=(TagText&& other) noexcept;
    TagText(const TagText&) = delete;
    TagText& operator=(const TagText&) = delete;

    // Maps the first `size` bytes (more than 0) of the regular file open on `fd`, private and
    // read-only, under the SIGBUS guard. Empty (data() null) when it cannot.
    static TagText Map(int fd, std::size_t size) noexcept;

    char* data() const noexcept { return m_data; }
    bool Mapped() const noexcept { return m_mapping != nullptr; }
    // Makes a mapping writable: writes stay private to this process. False when it cannot.
    bool MakeWritable() noexcept;
    // Faults the pages of [offset, offset + length) of a mapping in; false when some lie past the
    // file's end now. Not needed for access, but it tells of a shrunk file early and reads ahead.
    bool Populate(std::size_t offset, std::size_t length) noexcept;
    // True once pages of the mapping were lost to the file shrinking: they read as zeros.
    bool LostPages() const noexcept;
    // A job that copies a mapping's bytes into memory of the process's own at the same addresses
    // (see above); empty for a block. It may run on any thread while the bytes are read, also
    // after this text is gone or moved: it then copies nothing, or stops. Where the system cannot
    // put memory in a mapping's place, it leaves the mapping as it is. `beforeEachStep`, when
    // given, runs before each few megabytes are copied, and may wait: a copy running beside the
    // window's work takes the processor's caches and the process's memory map from it.
    std::function<void()> CopyInJob(std::function<void()> beforeEachStep = {}) const;

private:
    struct Mapping;  // shared with a copy job, which may outlive the text

    std::unique_ptr<char[]> m_block;
    std::shared_ptr<Mapping> m_mapping;
    char* m_data = nullptr;
};

}  // namespace quarrow
