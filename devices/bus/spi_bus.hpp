// A simulated SPI bus with one chip select, with a log of its frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "devices/bus/spi_device.hpp"

namespace devices {

// One chip-select frame as the wire saw it.
struct SpiFrame {
    std::vector<std::uint8_t> mosi;
    std::vector<std::uint8_t> miso;

    friend bool operator==(const SpiFrame &, const SpiFrame &) = default;
};

// With no device attached (or outside a frame) MISO reads 0xFF: the line is
// pulled high. The log keeps the newest kLogCapacity frames. Not thread-safe.
class SpiBus {
public:
    static constexpr std::size_t kLogCapacity = 1024;

    void attach(std::shared_ptr<SpiDevice> device) { device_ = std::move(device); }
    [[nodiscard]] const std::shared_ptr<SpiDevice> &device() const { return device_; }

    void select();  // a select inside a frame is ignored
    std::uint8_t exchange(std::uint8_t mosi);
    void deselect();  // a deselect outside a frame is ignored
    [[nodiscard]] bool selected() const { return selected_; }

    [[nodiscard]] std::vector<SpiFrame> frames() const { return {log_.begin(), log_.end()}; }
    void clear_frames() { log_.clear(); }

private:
    std::shared_ptr<SpiDevice> device_;
    std::deque<SpiFrame> log_;
    bool selected_ = false;
};

}  // namespace devices
