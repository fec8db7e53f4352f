// Checks every command makes before anything is sent: the count against the
// function's limit, and the caller's buffer. Inline: they run on every call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessbridge {

// Shows "Maximum bytes is limited to\r<limit> in the <function>
// function.\rTransmission aborted."
void report_over_limit(int32_t limit, const char *function) noexcept;

// True when 0 <= count <= limit. Otherwise shows the limit message and returns false.
inline bool within_limit(int64_t count, int32_t limit, const char *function) noexcept {
    if (count >= 0 && count <= limit) {
        return true;
    }
    report_over_limit(limit, function);
    return false;
}

// True when `count` bytes can be taken from or put at `buffer`: it is not null,
// or there are no bytes to move.
inline bool usable(const void *buffer, std::size_t count) noexcept {
    return buffer != nullptr || count == 0;
}

}  // namespace tessbridge
