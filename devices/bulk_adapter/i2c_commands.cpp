// The I2C commands of the bulk adapter: packet fields -> transfer segments ->
// bus -> reply.
#include <optional>
#include <vector>

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"
#include "devices/bulk_adapter/packet_reader.hpp"
#include "devices/bus/i2c_master.hpp"

namespace devices {

using namespace bulk;

namespace {

struct I2cCommand {
    std::vector<I2cSegment> segments;
    bool stop_at_end = true;
    bool reads = false;  // the reply carries data bytes rather than padding
};

std::optional<I2cSegment> write_segment(PacketReader &in) {
    const auto count = in.word();
    const auto address = in.byte();
    if (!count || !address) {
        return std::nullopt;
    }
    const auto data = in.bytes(*count);
    if (!data) {
        return std::nullopt;
    }
    return I2cSegment{*address, false, {data->begin(), data->end()}, 0};
}

// The packet's fields as segments; nullopt when the packet is malformed.
std::optional<I2cCommand> parse(std::uint8_t code, PacketReader in) {
    I2cCommand command;
    switch (code) {
        case opcode::kI2cWrite:
        case opcode::kI2cWriteOpen: {
            auto segment = write_segment(in);
            if (!segment) {
                return std::nullopt;
            }
            command.segments.push_back(std::move(*segment));
            command.stop_at_end = code == opcode::kI2cWrite;
            break;
        }
        case opcode::kI2cRead:
        case opcode::kI2cReadOpen: {
            const auto count = in.word();
            const auto address = in.byte();
            if (!count || !address || *count > kMaxReadCount) {
                return std::nullopt;
            }
            command.segments.push_back({*address, true, {}, *count});
            command.stop_at_end = code == opcode::kI2cRead;
            command.reads = true;
            break;
        }
        case opcode::kI2cWriteWrite: {
            auto first = write_segment(in);
            if (!first) {
                return std::nullopt;
            }
            auto second = write_segment(in);
            if (!second) {
                return std::nullopt;
            }
            command.segments.push_back(std::move(*first));
            command.segments.push_back(std::move(*second));
            break;
        }
        case opcode::kI2cWriteRead: {
            const auto write_count = in.word();
            const auto read_count = in.word();
            const auto write_address = in.byte();
            const auto read_address = in.byte();
            if (!write_count || !read_count || !write_address || !read_address ||
                *read_count > kMaxReadCount) {
                return std::nullopt;
            }
            const auto data = in.bytes(*write_count);
            if (!data) {
                return std::nullopt;
            }
            command.segments.push_back({*write_address, false, {data->begin(), data->end()}, 0});
            command.segments.push_back({*read_address, true, {}, *read_count});
            command.reads = true;
            break;
        }
        default:
            return std::nullopt;
    }
    if (!in.at_end()) {
        return std::nullopt;
    }
    return command;
}

std::uint8_t status_of(I2cOutcome outcome) {
    switch (outcome) {
        case I2cOutcome::Done:
            return status::kSuccess;
        case I2cOutcome::AddressNotAcknowledged:
            return status::kAddressNack;
        case I2cOutcome::DataNotAcknowledged:
            return status::kDataNack;
        case I2cOutcome::BusBusy:
            return status::kBusBusy;
    }
    return status::kBusBusy;
}

}  // namespace

bool BulkAdapterFirmware::run_i2c(std::span<const std::uint8_t> packet) {
    const auto command = parse(packet[1], PacketReader(packet.subspan(2)));
    if (!command) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (i2c_enabled_) {
        I2cTransferResult result = run_i2c_transfer(i2c_, command->segments, command->stop_at_end);
        bytes.push_back(status_of(result.outcome));
        bytes.insert(bytes.end(), result.data.begin(), result.data.end());
    } else {
        bytes.push_back(status::kFunctionOff);
        for (const I2cSegment &segment : command->segments) {
            bytes.insert(bytes.end(), segment.read ? segment.read_length : 0, 0xFF);
        }
    }
    if (!command->reads) {
        bytes.push_back(0x00);  // padding after a write's status
    }
    reply(std::move(bytes));
    return true;
}

}  // namespace devices
