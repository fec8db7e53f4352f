#include "limits.hpp"

#include <array>
#include <cstdio>

#include "messages.hpp"

namespace tessbridge {

void report_over_limit(int32_t limit, const char *function) noexcept {
    std::array<char, 160> text{};
    (void)std::snprintf(
        text.data(), text.size(),
        "Maximum bytes is limited to\r%d in the %s function.\rTransmission aborted.",
        static_cast<int>(limit), function);
    show_message(text.data());
}

}  // namespace tessbridge
