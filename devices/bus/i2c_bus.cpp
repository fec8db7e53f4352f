#include "devices/bus/i2c_bus.hpp"

#include <algorithm>
#include <utility>

namespace devices {

void I2cBus::attach(I2cAddress address, std::shared_ptr<I2cDevice> device) {
    if (device) {
        devices_[address] = std::move(device);
    } else {
        devices_.erase(address);
    }
}

std::shared_ptr<I2cDevice> I2cBus::device_at(I2cAddress address) const {
    const auto found = devices_.find(address);
    return found == devices_.end() ? nullptr : found->second;
}

void I2cBus::record(const I2cEvent &event) {
    if (log_.size() == kLogCapacity) {
        log_.pop_front();
    }
    log_.push_back(event);
}

bool I2cBus::start() {
    if (!sda() || !master_scl_) {
        record({.kind = I2cEventKind::BusBusy});
        return false;
    }
    record({.kind = in_transaction_ ? I2cEventKind::RepeatedStart : I2cEventKind::Start});
    in_transaction_ = true;
    phase_ = Phase::Address;
    return true;
}

bool I2cBus::write(std::uint8_t byte) {
    bool ack = false;
    I2cEventKind kind = I2cEventKind::Write;
    switch (phase_) {
        case Phase::Address:
            kind = I2cEventKind::Address;
            ack = address_byte(byte);
            break;
        case Phase::TenBitLow:
            kind = I2cEventKind::Address;
            ack = ten_bit_low_byte(byte);
            break;
        case Phase::Writing:
            ack = target_->write(byte);
            break;
        case Phase::Idle:
        case Phase::Reading:  // the device drives SDA; a master byte goes nowhere
        case Phase::Unanswered:
            break;
    }
    record({.kind = kind, .byte = byte, .ack = ack});
    return ack;
}

bool I2cBus::address_byte(std::uint8_t byte) {
    const bool read = (byte & 1U) != 0;
    if (is_ten_bit_first_byte(byte)) {
        const auto high = static_cast<std::uint8_t>((byte >> 1U) & 0x03U);
        if (!read) {
            if (!any_ten_bit_device_with_high_bits(high)) {
                phase_ = Phase::Unanswered;
                return false;
            }
            ten_bit_high_ = high;
            phase_ = Phase::TenBitLow;
            return true;
        }
        // Read form: only after this transaction addressed the device for writing.
        if (ten_bit_written_ && (ten_bit_address_ >> 8U) == high) {
            target_ = device_at(I2cAddress::ten(ten_bit_address_));
            if (target_ && target_->start(true)) {
                phase_ = Phase::Reading;
                return true;
            }
        }
        target_.reset();
        phase_ = Phase::Unanswered;
        return false;
    }
    target_ = device_at(I2cAddress::seven(static_cast<std::uint8_t>(byte >> 1U)));
    if (target_ && target_->start(read)) {
        phase_ = read ? Phase::Reading : Phase::Writing;
        return true;
    }
    target_.reset();
    phase_ = Phase::Unanswered;
    return false;
}

bool I2cBus::ten_bit_low_byte(std::uint8_t byte) {
    const auto address = static_cast<std::uint16_t>((ten_bit_high_ << 8U) | byte);
    target_ = device_at(I2cAddress::ten(address));
    if (target_ && target_->start(false)) {
        ten_bit_written_ = true;
        ten_bit_address_ = address;
        phase_ = Phase::Writing;
        return true;
    }
    target_.reset();
    phase_ = Phase::Unanswered;
    return false;
}

bool I2cBus::any_ten_bit_device_with_high_bits(std::uint8_t high_bits) const {
    return std::ranges::any_of(devices_, [high_bits](const auto &entry) {
        return entry.first.ten_bit && (entry.first.value >> 8U) == high_bits;
    });
}

std::uint8_t I2cBus::read(bool ack) {
    const std::uint8_t byte = phase_ == Phase::Reading ? target_->read(ack) : 0xFF;
    record({.kind = I2cEventKind::Read, .byte = byte, .ack = ack});
    return byte;
}

void I2cBus::stop() {
    record({.kind = I2cEventKind::Stop});
    end_transaction();
}

void I2cBus::end_transaction() {
    if (target_) {
        target_->stop();
    }
    target_.reset();
    phase_ = Phase::Idle;
    in_transaction_ = false;
    ten_bit_written_ = false;
}

bool I2cBus::sda() const {
    return master_sda_ && std::ranges::none_of(devices_, [](const auto &entry) {
               return entry.second->holds_sda_low();
           });
}

void I2cBus::power_off_devices() {
    for (const auto &entry : devices_) {
        entry.second->power_off();
    }
}

void I2cBus::drive_lines(bool sda_released, bool scl_released) {
    const bool sda_before = sda();
    const bool scl_rises = !master_scl_ && scl_released;
    master_scl_ = scl_released;
    if (scl_rises) {
        for (const auto &entry : devices_) {
            entry.second->scl_rising_edge();
        }
    }
    const bool master_sda_rises = !master_sda_ && sda_released;
    master_sda_ = sda_released;
    record({.kind = I2cEventKind::Lines, .sda = sda(), .scl = master_scl_});
    if (master_sda_rises && !sda_before && sda() && master_scl_ && !scl_rises) {
        record({.kind = I2cEventKind::Stop});
        end_transaction();
    }
}

}  // namespace devices
