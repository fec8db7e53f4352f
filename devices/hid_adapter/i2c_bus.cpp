#include "i2c_bus.hpp"

namespace hid_adapter {

I2cResult I2cBus::write(std::uint8_t address7, std::span<const std::uint8_t> bytes) {
    const auto it = targets_.find(address7);
    if (it == targets_.end()) {
        return I2cResult::AddressNack;
    }
    return it->second->write(bytes) ? I2cResult::Ok : I2cResult::DataNack;
}

I2cResult I2cBus::writeRead(std::uint8_t address7, std::span<const std::uint8_t> prefix,
                            std::span<std::uint8_t> bytes) {
    const auto it = targets_.find(address7);
    if (it == targets_.end()) {
        return I2cResult::AddressNack;
    }
    if (!it->second->write(prefix) || !it->second->read(bytes)) {
        return I2cResult::DataNack;
    }
    return I2cResult::Ok;
}

}  // namespace hid_adapter
