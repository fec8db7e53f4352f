#include "devices/bus/i2c_eeprom.hpp"

namespace devices {

I2cEeprom::I2cEeprom(Geometry geometry)
    : geometry_(geometry), memory_(geometry.size, 0xFF), page_latch_(geometry.page_size) {}

bool I2cEeprom::start(bool read) {
    // A new START drops whatever an unfinished write latched.
    latched_ = false;
    address_bytes_seen_ = read ? geometry_.address_bytes : 0;
    word_address_ = 0;
    return true;
}

bool I2cEeprom::write(std::uint8_t byte) {
    if (address_bytes_seen_ < geometry_.address_bytes) {
        word_address_ = (word_address_ << 8U) | byte;
        if (++address_bytes_seen_ == geometry_.address_bytes) {
            counter_ = word_address_ & (geometry_.size - 1);
        }
        return true;
    }
    const std::size_t page = counter_ & ~(geometry_.page_size - 1);
    if (!latched_) {
        page_latch_.assign(geometry_.page_size, std::nullopt);
        latch_page_ = page;
        latched_ = true;
    }
    const std::size_t in_page = counter_ & (geometry_.page_size - 1);
    page_latch_[in_page] = byte;
    counter_ = page | ((in_page + 1) & (geometry_.page_size - 1));
    return true;
}

std::uint8_t I2cEeprom::read(bool /*ack_from_master*/) {
    const std::uint8_t byte = memory_[counter_];
    counter_ = (counter_ + 1) & (geometry_.size - 1);
    return byte;
}

void I2cEeprom::stop() {
    if (latched_) {
        for (std::size_t i = 0; i < geometry_.page_size; ++i) {
            if (page_latch_[i]) {
                memory_[latch_page_ + i] = *page_latch_[i];
            }
        }
    }
    latched_ = false;
    address_bytes_seen_ = geometry_.address_bytes;
}

void I2cEeprom::load(std::size_t offset, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        memory_[(offset + i) & (geometry_.size - 1)] = bytes[i];
    }
}

}  // namespace devices
