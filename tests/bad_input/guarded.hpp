// Caller buffers with guard bytes on both sides, to show that a call changed
// nothing outside the bytes it was given.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace badinput {

template <std::size_t N>
class Guarded {
public:
    static constexpr std::size_t kGuard = 32;
    static constexpr std::uint8_t kGuardByte = 0xA5;

    explicit Guarded(std::uint8_t fill = 0xEE) {
        bytes_.fill(kGuardByte);
        std::fill_n(data(), N, fill);
    }
    std::uint8_t *data() { return bytes_.data() + kGuard; }
    [[nodiscard]] const std::uint8_t *data() const { return bytes_.data() + kGuard; }
    [[nodiscard]] bool guardsIntact() const {
        const auto intact = [](std::uint8_t b) { return b == kGuardByte; };
        return std::all_of(bytes_.begin(), bytes_.begin() + kGuard, intact) &&
               std::all_of(bytes_.end() - kGuard, bytes_.end(), intact);
    }
    [[nodiscard]] bool all(std::uint8_t value) const {
        return std::all_of(data(), data() + N, [value](std::uint8_t b) { return b == value; });
    }

private:
    std::array<std::uint8_t, N + 2 * kGuard> bytes_{};
};

}  // namespace badinput
