// A simulated I2C bus: targets answer write and read transactions by their
// 7-bit address.
#pragma once

#include <cstdint>
#include <map>
#include <span>

namespace hid_adapter {

class I2cTarget {
  public:
    virtual ~I2cTarget() = default;
    // A write transaction with the bytes that follow the address byte.
    // false: the target did not acknowledge a byte.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // A read transaction filling `bytes`. false: not acknowledged.
    virtual bool read(std::span<std::uint8_t> bytes) = 0;
};

// Outcome of one transaction, as the adapter's firmware reports it.
enum class I2cResult : std::uint8_t {
    Ok = 0,
    AddressNack = 1,  // no target answered its address
    DataNack = 2,     // the target refused a byte
};

class I2cBus {
  public:
    // The target stays owned by the caller and must outlive the bus.
    void attach(std::uint8_t address7, I2cTarget &target) { targets_[address7] = &target; }
    void detach(std::uint8_t address7) { targets_.erase(address7); }

    I2cResult write(std::uint8_t address7, std::span<const std::uint8_t> bytes);
    // Write `prefix`, repeated start, read into `bytes`.
    I2cResult writeRead(std::uint8_t address7, std::span<const std::uint8_t> prefix,
                        std::span<std::uint8_t> bytes);

  private:
    std::map<std::uint8_t, I2cTarget *> targets_;
};

}  // namespace hid_adapter
