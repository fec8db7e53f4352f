#include "guarded_buffer.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tbfuzz {
namespace {

constexpr std::uint8_t kLeadPattern = 0xA5;

std::size_t page_size() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t capacity) {
    const std::size_t page = page_size();
    usable_ = (capacity + kLeadBytes + page - 1) / page * page;
    mapped_ = usable_ + page;
    void *mapping = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                           -1, 0);
    if (mapping == MAP_FAILED) {
        fail("GuardedBuffer: mmap failed");
    }
    mapping_ = static_cast<std::uint8_t *>(mapping);
    if (::mprotect(mapping_ + usable_, page, PROT_NONE) != 0) {
        fail("GuardedBuffer: mprotect failed");
    }
    place(0, 0);
}

GuardedBuffer::~GuardedBuffer() { ::munmap(mapping_, mapped_); }

std::uint8_t *GuardedBuffer::place(std::size_t size, std::uint8_t fill) {
    size_ = std::min(size, usable_ - kLeadBytes);
    data_ = mapping_ + usable_ - size_;
    std::memset(data_ - kLeadBytes, kLeadPattern, kLeadBytes);
    std::memset(data_, fill, size_);
    return data_;
}

std::uint8_t *GuardedBuffer::place(std::span<const std::uint8_t> contents) {
    place(contents.size(), 0);
    std::copy_n(contents.begin(), size_, data_);
    return data_;
}

bool GuardedBuffer::leadIntact() const {
    return std::all_of(data_ - kLeadBytes, data_, [](std::uint8_t b) { return b == kLeadPattern; });
}

bool GuardedBuffer::untouched(std::uint8_t fill) const {
    return std::all_of(data_, data_ + size_, [fill](std::uint8_t b) { return b == fill; });
}

void fail(const char *what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace tbfuzz
