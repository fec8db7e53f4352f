#include "devices/bus/spi_bus.hpp"

namespace devices {

void SpiBus::select() {
    if (selected_) {
        return;
    }
    selected_ = true;
    if (log_.size() == kLogCapacity) {
        log_.pop_front();
    }
    log_.emplace_back();
    if (device_) {
        device_->select();
    }
}

std::uint8_t SpiBus::exchange(std::uint8_t mosi) {
    if (!selected_) {
        return 0xFF;
    }
    const std::uint8_t miso = device_ ? device_->exchange(mosi) : 0xFF;
    if (log_.empty()) {  // the log was cleared inside the frame
        log_.emplace_back();
    }
    log_.back().mosi.push_back(mosi);
    log_.back().miso.push_back(miso);
    return miso;
}

void SpiBus::deselect() {
    if (!selected_) {
        return;
    }
    selected_ = false;
    if (device_) {
        device_->deselect();
    }
}

}  // namespace devices
