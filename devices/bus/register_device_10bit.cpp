#include "devices/bus/register_device_10bit.hpp"

namespace devices {

RegisterDevice10Bit::RegisterDevice10Bit(std::size_t register_count)
    : registers_(register_count == 0 ? 1 : register_count, 0) {
    registers_[0] = kIdentity;
}

bool RegisterDevice10Bit::start(bool read) {
    pointer_pending_ = !read;
    return true;
}

bool RegisterDevice10Bit::write(std::uint8_t byte) {
    if (pointer_pending_) {
        pointer_ = byte % registers_.size();
        pointer_pending_ = false;
        return true;
    }
    registers_[pointer_] = byte;
    pointer_ = (pointer_ + 1) % registers_.size();
    return true;
}

std::uint8_t RegisterDevice10Bit::read(bool /*ack_from_master*/) {
    const std::uint8_t byte = registers_[pointer_];
    pointer_ = (pointer_ + 1) % registers_.size();
    return byte;
}

void RegisterDevice10Bit::stop() { pointer_pending_ = false; }

void RegisterDevice10Bit::set_register(std::size_t index, std::uint8_t value) {
    registers_[index % registers_.size()] = value;
}

}  // namespace devices
