#include "limits.hpp"

#include <array>
#include <cstdio>

#include "messages.hpp"

namespace tessbridge {

bool within_limit(int64_t count, int32_t limit, const char *function) noexcept {
    if (count >= 0 && count <= limit) {
        return true;
    }
    std::array<char, 160> text{};
    (void)std::snprintf(
        text.data(), text.size(),
        "Maximum bytes is limited to\r%d in the %s function.\rTransmission aborted.",
        static_cast<int>(limit), function);
    show_message(text.data());
    return false;
}

bool usable(const void *buffer, std::size_t count) noexcept {
    return buffer != nullptr || count == 0;
}

}  // namespace tessbridge
