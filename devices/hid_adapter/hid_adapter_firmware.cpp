#include "hid_adapter_firmware.hpp"

#include <algorithm>

namespace hid_adapter {
namespace {

// Byte i of the report, or 0 when the report is shorter.
std::uint8_t at(std::span<const std::uint8_t> report, std::size_t i) {
    return i < report.size() ? report[i] : 0;
}

void putWord(HidReport &reply, std::uint16_t value) {
    reply[3] = static_cast<std::uint8_t>(value & 0xFFU);
    reply[4] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

std::optional<HidReport> HidAdapterFirmware::handle(std::span<const std::uint8_t> report) {
    HidReport reply(kReportLength, 0);
    reply[1] = at(report, 1);
    reply[2] = at(report, 2);
    switch (at(report, 1)) {
        case 0x00:
            putWord(reply, kVersion);
            return reply;
        case 0x41:
        case 0x43:
            return i2cRead(report, std::move(reply));
        case 0x42:
        case 0x44:
            return i2cWrite(report, std::move(reply));
        case 0x45:
            clock_ = static_cast<std::uint16_t>(at(report, 3) | (at(report, 4) << 8));
            putWord(reply, clock_);
            return reply;
        case 0x46:
            putWord(reply, clock_);
            return reply;
        case 0xA0:
            ++ledFlashes_;
            return reply;
        case 0xFF:
            ++resets_;
            clock_ = kDefaultClock;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

HidReport HidAdapterFirmware::i2cRead(std::span<const std::uint8_t> report, HidReport reply) {
    const std::size_t length = std::min<std::size_t>(at(report, 2), kReportLength - 4);
    const std::uint8_t reg = at(report, 4);
    const auto result = bus_.writeRead(static_cast<std::uint8_t>(at(report, 3) >> 1),
                                       std::span(&reg, 1), std::span(reply).subspan(4, length));
    reply[3] = static_cast<std::uint8_t>(result);
    if (result != I2cResult::Ok) {
        std::fill(reply.begin() + 4, reply.end(), 0);
    }
    return reply;
}

HidReport HidAdapterFirmware::i2cWrite(std::span<const std::uint8_t> report, HidReport reply) {
    // Register and data bytes as they appear on the bus, cut to what the
    // report holds.
    const std::size_t available = report.size() > 5 ? report.size() - 5 : 0;
    const std::size_t length = std::min<std::size_t>(std::size_t{at(report, 3)} + 1, available);
    const auto result = bus_.write(static_cast<std::uint8_t>(at(report, 4) >> 1),
                                   report.subspan(std::min<std::size_t>(5, report.size()), length));
    reply[3] = static_cast<std::uint8_t>(result);
    return reply;
}

}  // namespace hid_adapter
