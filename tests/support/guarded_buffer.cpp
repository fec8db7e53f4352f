#include "guarded_buffer.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace tbtest {
namespace {

constexpr std::uint8_t kLeadPattern = 0xA5;

#ifdef _WIN32

std::size_t page_size() {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwPageSize;
}

[[noreturn]] void fail(const char *what) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

// `size` bytes of fresh read-write pages, or null.
std::uint8_t *map_pages(std::size_t size) {
    return static_cast<std::uint8_t *>(
        ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

bool forbid_access(std::uint8_t *page, std::size_t size) {
    DWORD previous = 0;
    return ::VirtualProtect(page, size, PAGE_NOACCESS, &previous) != 0;
}

void unmap_pages(std::uint8_t *pages, std::size_t) { ::VirtualFree(pages, 0, MEM_RELEASE); }

#else

std::size_t page_size() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

[[noreturn]] void fail(const char *what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::uint8_t *map_pages(std::size_t size) {
    void *pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return pages == MAP_FAILED ? nullptr : static_cast<std::uint8_t *>(pages);
}

bool forbid_access(std::uint8_t *page, std::size_t size) {
    return ::mprotect(page, size, PROT_NONE) == 0;
}

void unmap_pages(std::uint8_t *pages, std::size_t size) { ::munmap(pages, size); }

#endif

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t capacity) {
    const std::size_t page = page_size();
    usable_ = (capacity + kLeadBytes + page - 1) / page * page;
    mapped_ = usable_ + page;
    mapping_ = map_pages(mapped_);
    if (mapping_ == nullptr) {
        fail("GuardedBuffer: no pages");
    }
    if (!forbid_access(mapping_ + usable_, page)) {
        unmap_pages(mapping_, mapped_);
        fail("GuardedBuffer: no guard page");
    }
    place(0, 0);
}

GuardedBuffer::~GuardedBuffer() { unmap_pages(mapping_, mapped_); }

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

}  // namespace tbtest
