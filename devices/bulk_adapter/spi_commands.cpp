// The SPI commands of the bulk adapter.
#include <vector>

#include "devices/bulk_adapter/bulk_adapter_firmware.hpp"
#include "devices/bulk_adapter/packet_reader.hpp"

namespace devices {

using namespace bulk;

namespace {

constexpr std::uint8_t kHighestClockCode = 3;
constexpr std::uint8_t kMosiWhileReading = 0xFF;

}  // namespace

bool BulkAdapterFirmware::run_spi(std::span<const std::uint8_t> packet) {
    PacketReader in(packet.subspan(2));
    const std::uint8_t code = packet[1];

    if (code == opcode::kSpiClock || code == opcode::kSpiMode) {
        const auto value = in.byte();
        if (!value || !in.at_end()) {
            return false;
        }
        if (code == opcode::kSpiClock) {
            if (*value > kHighestClockCode) {
                return false;
            }
            spi_clock_ = *value;
        } else {
            spi_mode_ = static_cast<std::uint8_t>(*value & kSpiModeMask);
        }
        return true;
    }

    const auto field = in.word();
    if (!field) {
        return false;
    }
    std::size_t write_count = *field;
    std::size_t read_count = 0;
    if (code == opcode::kSpiWriteFirstOutside) {
        write_count = (*field + 1U) & 0xFFFFU;  // the field counts all bytes but the first
    } else if (code == opcode::kSpiExchange) {
        read_count = write_count;
    } else if (code == opcode::kSpiWriteRead) {
        const auto count = in.word();
        if (!count) {
            return false;
        }
        read_count = *count;
    }
    const auto data = in.bytes(write_count);
    if (!data || !in.at_end() || read_count > kMaxReadCount) {
        return false;
    }

    const bool status_reply = code == opcode::kSpiWrite || code == opcode::kSpiWriteFirstOutside;
    if (!spi_enabled_) {
        reply(status_reply ? std::vector<std::uint8_t>{status::kFunctionOff}
                           : std::vector<std::uint8_t>(read_count, 0xFF));
        return true;
    }
    std::vector<std::uint8_t> miso;
    miso.reserve(read_count);
    spi_.select();
    for (const std::uint8_t byte : *data) {
        const std::uint8_t in_byte = spi_.exchange(byte);
        if (code == opcode::kSpiExchange) {
            miso.push_back(in_byte);
        }
    }
    if (code == opcode::kSpiWriteRead) {
        for (std::size_t i = 0; i < read_count; ++i) {
            miso.push_back(spi_.exchange(kMosiWhileReading));
        }
    }
    spi_.deselect();
    reply(status_reply ? std::vector<std::uint8_t>{status::kSuccess} : std::move(miso));
    return true;
}

}  // namespace devices
