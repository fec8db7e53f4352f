// SPI master: mode and clock setup, and the four data transfers.
//
// A data packet is the command code, a 16-bit length field, for the
// write-then-read command a 16-bit read count, then the bytes to write. At most
// 500 bytes go each way, so a packet fits the 512-byte command buffer.
#include <tessbridge.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "connection/c_boundary.hpp"
#include "connection/command.hpp"
#include "connection/limits.hpp"
#include "conversions.hpp"
#include "short_commands.hpp"

namespace {

using tessbridge::CommandPacket;

constexpr uint8_t kSpiWrite = 0x60;
constexpr uint8_t kSpiExchange = 0x61;  // answers with as many bytes as were written
constexpr uint8_t kSpiWriteThenRead = 0x62;
constexpr uint8_t kSpiWriteFirstUncounted = 0x63;  // length field leaves out the first byte
constexpr uint8_t kSpiClockSelect = 0x64;
constexpr uint8_t kSpiModeSet = 0x65;

constexpr uint16_t kMaxTransferBytes = 500;

constexpr uint8_t kSent = 0;
constexpr uint8_t kRefused = 10;  // over the limit, or a null buffer where bytes are needed
constexpr uint8_t kNotAnswered = 255;

// The reply area of the transfers that read data.
using ReplyArea = std::array<uint8_t, kMaxTransferBytes>;

std::span<const uint8_t> bytes_of(const uint8_t *data, uint16_t count) {
    return count == 0 ? std::span<const uint8_t>{} : std::span<const uint8_t>{data, count};
}

CommandPacket data_packet(uint8_t code, uint16_t lengthField, std::span<const uint8_t> data) {
    CommandPacket packet(code);
    packet.count16(lengthField).bytes(data);
    return packet;
}

}  // namespace

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Configure(uint32_t config) {
    using namespace tessbridge;
    return exported(kNotAnswered, [&] {
        return send_code(kSpiModeSet, spi_mode_byte(config)) ? kSent : kNotAnswered;
    });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL SPI_SetFrequency(uint32_t khz) {
    using namespace tessbridge;
    return exported(int32_t{kNotAnswered}, [&] {
        const SpiClock clock = spi_clock_for(khz);
        return send_code(kSpiClockSelect, clock.code) ? clock.khz : int32_t{kNotAnswered};
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Generic(uint16_t count,
                                                              const uint8_t *writeData,
                                                              uint8_t *readData) {
    using namespace tessbridge;
    return exported(kNotAnswered, [&] {
        if (!within_limit(count, kMaxTransferBytes, "SPI_Generic")) {
            return kRefused;
        }
        if (!usable(writeData, count) || !usable(readData, count)) {
            return kRefused;
        }
        CommandPacket packet = data_packet(kSpiExchange, count, bytes_of(writeData, count));
        ReplyArea answer;  // send_command fills the used part
        const std::span<uint8_t> reply(answer.data(), count);
        const CommandResult result = send_command(packet, reply);
        if (!result.answered(reply.size())) {
            return kNotAnswered;
        }
        if (count == 0) {
            // Nothing read back: the result is the packet's block count, on
            // which callers rely.
            return packet.framed()[0];
        }
        std::copy(reply.begin(), reply.end(), readData);
        return reply[0];
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Write(uint16_t count, const uint8_t *data) {
    using namespace tessbridge;
    return exported(kNotAnswered, [&] {
        if (!within_limit(count, kMaxTransferBytes, "SPI_Write")) {
            return kRefused;
        }
        if (!usable(data, count)) {
            return kRefused;
        }
        CommandPacket packet = data_packet(kSpiWrite, count, bytes_of(data, count));
        std::array<uint8_t, 1> answer{};
        const CommandResult result = send_command(packet, answer);
        if (!result.sent) {
            return kNotAnswered;
        }
        // The result is the number of answer bytes that arrived, not the byte.
        return static_cast<uint8_t>(result.answered(answer.size()) ? 1 : 0);
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_WriteWithOC(uint16_t count,
                                                                  const uint8_t *data) {
    using namespace tessbridge;
    return exported(kNotAnswered, [&] {
        if (!within_limit(count, kMaxTransferBytes, "SPI_WriteWithOC")) {
            return kRefused;
        }
        if (!usable(data, count)) {
            return kRefused;
        }
        // The length field counts the bytes after the first, in 16 bits: a count
        // of 0 sends 0xFFFF.
        const auto afterFirst = static_cast<uint16_t>(count - 1U);
        CommandPacket packet = data_packet(kSpiWriteFirstUncounted, afterFirst, bytes_of(data, count));
        std::array<uint8_t, 1> answer{};  // read and dropped
        return send_command(packet, answer).sent ? kSent : kNotAnswered;
    });
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_WriteRead(uint16_t writeCount,
                                                                uint16_t readCount,
                                                                const uint8_t *writeData,
                                                                uint8_t *readData) {
    using namespace tessbridge;
    return exported(kNotAnswered, [&] {
        if (!within_limit(std::max(writeCount, readCount), kMaxTransferBytes, "SPI_WriteRead")) {
            return kRefused;
        }
        if (!usable(writeData, writeCount) || !usable(readData, readCount)) {
            return kRefused;
        }
        CommandPacket packet(kSpiWriteThenRead);
        packet.count16(writeCount).count16(readCount).bytes(bytes_of(writeData, writeCount));
        ReplyArea answer;  // send_command fills the used part
        const std::span<uint8_t> reply(answer.data(), readCount);
        if (!send_command(packet, reply).answered(reply.size())) {
            return kNotAnswered;
        }
        std::copy(reply.begin(), reply.end(), readData);
        return kSent;
    });
}
