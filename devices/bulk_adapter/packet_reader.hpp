// Bounds-checked reading of a command packet's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace devices::bulk {

// Reads fields front to back; every read past the end yields nullopt and
// leaves the reader where it was.
class PacketReader {
public:
    explicit PacketReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::uint8_t> byte() {
        if (remaining() < 1) {
            return std::nullopt;
        }
        return bytes_[position_++];
    }
    // 16-bit value, high byte first.
    std::optional<std::uint16_t> word() {
        if (remaining() < 2) {
            return std::nullopt;
        }
        const auto value =
            static_cast<std::uint16_t>((bytes_[position_] << 8U) | bytes_[position_ + 1]);
        position_ += 2;
        return value;
    }
    std::optional<std::span<const std::uint8_t>> bytes(std::size_t count) {
        if (remaining() < count) {
            return std::nullopt;
        }
        const auto field = bytes_.subspan(position_, count);
        position_ += count;
        return field;
    }
    [[nodiscard]] std::size_t remaining() const { return bytes_.size() - position_; }
    [[nodiscard]] bool at_end() const { return remaining() == 0; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace devices::bulk
