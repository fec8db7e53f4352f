#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"

#include <algorithm>
#include <utility>

#include "devices/bulk_adapter/packet_reader.hpp"

namespace devices {

using namespace bulk;

void BulkAdapterFirmware::receive(std::span<const std::uint8_t> packet) {
    const bool framed = packet.size() >= 2 && packet.size() <= kMaxPacket &&
                        packet[0] == (packet.size() + kBlockSize - 1) / kBlockSize;
    if (!framed || !dispatch(packet)) {
        ++rejected_;
    }
}

std::optional<std::vector<std::uint8_t>> BulkAdapterFirmware::take_reply(std::size_t max_length) {
    if (replies_.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes = std::move(replies_.front());
    replies_.pop_front();
    if (bytes.size() > max_length) {
        bytes.resize(max_length);
    }
    return bytes;
}

void BulkAdapterFirmware::reply(std::vector<std::uint8_t> bytes) {
    if (replies_.size() == kMaxPendingReplies) {
        replies_.pop_front();
    }
    replies_.push_back(std::move(bytes));
}

bool BulkAdapterFirmware::dispatch(std::span<const std::uint8_t> packet) {
    switch (packet[1]) {
        case opcode::kI2cWrite:
        case opcode::kI2cWriteOpen:
        case opcode::kI2cRead:
        case opcode::kI2cReadOpen:
        case opcode::kI2cWriteWrite:
        case opcode::kI2cWriteRead:
            return run_i2c(packet);
        case opcode::kSpiWrite:
        case opcode::kSpiExchange:
        case opcode::kSpiWriteRead:
        case opcode::kSpiWriteFirstOutside:
        case opcode::kSpiClock:
        case opcode::kSpiMode:
            return run_spi(packet);
        default:
            return run_control(packet);
    }
}

std::uint8_t BulkAdapterFirmware::i2c_pin_byte() const {
    return static_cast<std::uint8_t>((i2c_.sda() ? kI2cPinSda : 0U) |
                                     (i2c_.scl() ? kI2cPinScl : 0U));
}

std::uint8_t BulkAdapterFirmware::spi_pin_byte() const {
    if (!spi_enabled_) {
        return static_cast<std::uint8_t>(spi_pins_ | kSpiPinMiso);
    }
    const bool clock_idles_high = (spi_mode_ & 0x08U) != 0;  // CPOL, bit 1 of the mode number
    return static_cast<std::uint8_t>(kSpiIdlePins | (clock_idles_high ? kSpiPinSck : 0U));
}

std::uint8_t BulkAdapterFirmware::io_port_byte() const {
    return static_cast<std::uint8_t>((io_inputs_ & 0xFEU) | (io_output_ ? 1U : 0U));
}

bool BulkAdapterFirmware::run_control(std::span<const std::uint8_t> packet) {
    PacketReader in(packet.subspan(2));
    const std::uint8_t code = packet[1];
    // Commands that carry one or two argument bytes.
    if (code == opcode::kI2cPinsWrite || code == opcode::kSpiPinsWrite) {
        const auto pins = in.byte();
        if (!pins || !in.at_end()) {
            return false;
        }
        if (code == opcode::kI2cPinsWrite && !i2c_enabled_) {
            i2c_.drive_lines((*pins & kI2cPinSda) != 0, (*pins & kI2cPinScl) != 0);
        } else if (code == opcode::kSpiPinsWrite && !spi_enabled_) {
            spi_pins_ = static_cast<std::uint8_t>(*pins & (kSpiPinSck | kSpiPinMosi | kSpiPinCs));
        }
        return true;
    }
    if (code == opcode::kI2cSetClock) {
        const auto first = in.byte();
        const auto second = in.byte();
        if (!first || !second || !in.at_end() || *first == 0 || *second == 0) {
            return false;
        }
        dividers_ = {*first, *second};
        return true;
    }
    if (!in.at_end()) {
        return false;
    }
    switch (code) {
        case opcode::kSupply3vOff:
        case opcode::kSupply3vOn:
            supply_3v_ = code == opcode::kSupply3vOn;
            if (!supply_3v_) {
                i2c_.power_off_devices();
            }
            return true;
        case opcode::kSupply5vOff:
        case opcode::kSupply5vOn:
            supply_5v_ = code == opcode::kSupply5vOn;
            if (!supply_5v_) {
                i2c_.power_off_devices();
            }
            return true;
        case opcode::kWriteIoLow:
        case opcode::kWriteIoHigh:
            io_output_ = code == opcode::kWriteIoHigh;
            return true;
        case opcode::kReadIo:
            reply({io_port_byte()});
            return true;
        case opcode::kSpiOff:
            if (spi_enabled_) {
                spi_pins_ = spi_pin_byte();  // the lines keep their idle levels
            }
            spi_enabled_ = false;
            return true;
        case opcode::kSpiOn:
            spi_enabled_ = true;
            return true;
        case opcode::kSpiPinsRead:
            reply({spi_pin_byte()});
            return true;
        case opcode::kI2cOff:
            if (i2c_.in_transaction()) {
                i2c_.stop();
            }
            i2c_.drive_lines(true, true);
            i2c_enabled_ = false;
            return true;
        case opcode::kI2cOn:
            i2c_.drive_lines(true, true);
            i2c_enabled_ = true;
            return true;
        case opcode::kI2cPinsRead:
            reply({i2c_pin_byte()});
            return true;
        case opcode::kFirmwareRevision:
            reply({revision_});
            return true;
        case opcode::kQuery:
            reply({dividers_.first, dividers_.second, hardware_info_[0], hardware_info_[1]});
            return true;
        default:
            return false;  // unknown command code
    }
}

}  // namespace devices
