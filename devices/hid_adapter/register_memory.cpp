#include "register_memory.hpp"

namespace hid_adapter {

// Every cell starts with its own register number, so a read shows where it
// came from.
RegisterMemory::RegisterMemory() {
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        cells_[i] = static_cast<std::uint8_t>(i);
    }
}

bool RegisterMemory::write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return true;
    }
    pointer_ = bytes[0];
    for (const std::uint8_t byte : bytes.subspan(1)) {
        cells_[pointer_++] = byte;
    }
    return true;
}

bool RegisterMemory::read(std::span<std::uint8_t> bytes) {
    for (std::uint8_t &byte : bytes) {
        byte = cells_[pointer_++];
    }
    return true;
}

}  // namespace hid_adapter
