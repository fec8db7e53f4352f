#include "hid_adapter_firmware.hpp"

#include <algorithm>

#include "devices/bus/i2c_master.hpp"

namespace hid_adapter {
namespace {

// Byte i of the report, or 0 when the report is shorter.
std::uint8_t at(std::span<const std::uint8_t> report, std::size_t i) {
    return i < report.size() ? report[i] : 0;
}

// The reply's status byte for a transfer outcome. `addressed`: the target
// already acknowledged its address earlier in the transaction.
std::uint8_t statusOf(devices::I2cOutcome outcome, bool addressed) {
    switch (outcome) {
        case devices::I2cOutcome::Done:
            return status::kOk;
        case devices::I2cOutcome::AddressNotAcknowledged:
            return addressed ? status::kDataNack : status::kAddressNack;
        case devices::I2cOutcome::DataNotAcknowledged:
            return status::kDataNack;
        case devices::I2cOutcome::BusBusy:
            return status::kBusBusy;
    }
    return status::kDataNack;
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
    const std::uint8_t address = at(report, 3);
    // The register write leaves the transaction open, so the read segment
    // starts with a repeated START. They run as two transfers to tell the two
    // address bytes apart: a target that acknowledged the register byte and
    // then refuses the read has refused data, not its address.
    devices::I2cTransferResult result =
        devices::run_i2c_transfer(bus_, {{address, false, {at(report, 4)}, 0}}, false);
    bool addressed = false;
    if (result.outcome == devices::I2cOutcome::Done) {
        addressed = true;
        result = devices::run_i2c_transfer(bus_, {{address, true, {}, length}}, true);
    }
    reply[3] = statusOf(result.outcome, addressed);
    if (result.outcome == devices::I2cOutcome::Done) {
        std::copy(result.data.begin(), result.data.end(), reply.begin() + 4);
    }
    return reply;
}

HidReport HidAdapterFirmware::i2cWrite(std::span<const std::uint8_t> report, HidReport reply) {
    // Register and data bytes as they appear on the bus, cut to what the
    // report holds.
    const std::size_t available = report.size() > 5 ? report.size() - 5 : 0;
    const std::size_t length = std::min<std::size_t>(std::size_t{at(report, 3)} + 1, available);
    const auto bytes = report.subspan(std::min<std::size_t>(5, report.size()), length);
    const devices::I2cTransferResult result = devices::run_i2c_transfer(
        bus_, {{at(report, 4), false, {bytes.begin(), bytes.end()}, 0}}, true);
    reply[3] = statusOf(result.outcome, false);
    return reply;
}

}  // namespace hid_adapter
