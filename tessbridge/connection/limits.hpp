// Checks every command makes before anything is sent: the count against the
// function's limit, and the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessbridge {

// True when 0 <= count <= limit. Otherwise shows "Maximum bytes is limited
// to\r<limit> in the <function> function.\rTransmission aborted." and returns false.
bool within_limit(int64_t count, int32_t limit, const char *function) noexcept;

// True when `count` bytes can be taken from or put at `buffer`: it is not null,
// or there are no bytes to move.
bool usable(const void *buffer, std::size_t count) noexcept;

}  // namespace tessbridge
