#include "register_memory.hpp"

namespace hid_adapter {

// Every cell starts with its own register number, so a read shows where it
// came from.
RegisterMemory::RegisterMemory() {
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        cells_[i] = static_cast<std::uint8_t>(i);
    }
}

bool RegisterMemory::start(bool read) {
    pointerNext_ = !read;
    return true;
}

bool RegisterMemory::write(std::uint8_t byte) {
    if (pointerNext_) {
        pointer_ = byte;
        pointerNext_ = false;
    } else {
        cells_[pointer_++] = byte;
    }
    return true;
}

std::uint8_t RegisterMemory::read(bool /*ack_from_master*/) { return cells_[pointer_++]; }

void RegisterMemory::stop() { pointerNext_ = false; }

}  // namespace hid_adapter
