// A caller's buffer for the tests and the fuzzers: its last byte sits right
// before a page that may not be touched, and the bytes just before it hold a
// known pattern. A write past the end faults at once; a write before the
// start, or any write into a buffer that must stay untouched, is found by
// comparing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tbtest {

class GuardedBuffer {
  public:
    static constexpr std::size_t kLeadBytes = 64;

    // Room for `capacity` bytes, none placed yet. Throws std::system_error
    // when the pages cannot be had.
    explicit GuardedBuffer(std::size_t capacity);
    GuardedBuffer(const GuardedBuffer &) = delete;
    GuardedBuffer &operator=(const GuardedBuffer &) = delete;
    ~GuardedBuffer();

    // Places a buffer of `size` bytes (at most the capacity) against the guard
    // page, fills it with `fill` and the lead bytes before it with the pattern.
    std::uint8_t *place(std::size_t size, std::uint8_t fill);
    // Same, with the given contents.
    std::uint8_t *place(std::span<const std::uint8_t> contents);

    // True when the lead bytes still hold the pattern.
    [[nodiscard]] bool leadIntact() const;
    // True when every byte of the placed buffer still equals `fill`.
    [[nodiscard]] bool untouched(std::uint8_t fill) const;

    [[nodiscard]] std::uint8_t *data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

  private:
    std::uint8_t *mapping_ = nullptr;
    std::size_t usable_ = 0;  // bytes before the guard page
    std::size_t mapped_ = 0;
    std::uint8_t *data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tbtest
