#include "i2c/i2c_packets.hpp"

namespace tessbridge::i2c {
namespace {

namespace opcode {
constexpr uint8_t kWrite = 0x00;
constexpr uint8_t kWriteKeepOpen = 0x01;
constexpr uint8_t kRead = 0x20;
constexpr uint8_t kReadKeepOpen = 0x21;
constexpr uint8_t kWriteRepeatedStartWrite = 0x30;
constexpr uint8_t kWriteRepeatedStartRead = 0x40;
constexpr uint8_t kSetClock = 0x90;
constexpr uint8_t kQueryClock = 0xF7;
}  // namespace opcode

// Every count is bounded by the callers' limits (at most 501 bytes in all), so
// it always fits in 16 bits.
uint16_t count_of(std::size_t n) {
    return static_cast<uint16_t>(n);
}

// One write group: count, write address, extension, then the bytes.
void append_write_group(CommandPacket &packet, const DeviceAddress &device,
                        std::span<const uint8_t> prefix, std::span<const uint8_t> data) {
    packet.count16(count_of(device.extension().size() + prefix.size() + data.size()))
        .byte(device.write_byte())
        .bytes(device.extension())
        .bytes(prefix)
        .bytes(data);
}

}  // namespace

CommandPacket write_packet(const DeviceAddress &device, std::span<const uint8_t> prefix,
                           std::span<const uint8_t> data, Ending ending) {
    CommandPacket packet(ending == Ending::Stop ? opcode::kWrite : opcode::kWriteKeepOpen);
    append_write_group(packet, device, prefix, data);
    return packet;
}

CommandPacket read_packet(const DeviceAddress &device, uint16_t count, Ending ending) {
    CommandPacket packet(ending == Ending::Stop ? opcode::kRead : opcode::kReadKeepOpen);
    packet.count16(count).byte(device.read_byte());
    return packet;
}

CommandPacket write_read_packet(const DeviceAddress &device, std::span<const uint8_t> prefix,
                                uint16_t read_count) {
    CommandPacket packet(opcode::kWriteRepeatedStartRead);
    packet.count16(count_of(device.extension().size() + prefix.size()))
        .count16(read_count)
        .byte(device.write_byte())
        .byte(device.read_byte())
        .bytes(device.extension())
        .bytes(prefix);
    return packet;
}

CommandPacket write_write_packet(const DeviceAddress &first, std::span<const uint8_t> first_data,
                                 const DeviceAddress &second,
                                 std::span<const uint8_t> second_data) {
    CommandPacket packet(opcode::kWriteRepeatedStartWrite);
    append_write_group(packet, first, {}, first_data);
    append_write_group(packet, second, {}, second_data);
    return packet;
}

CommandPacket set_clock_packet(uint8_t first_count, uint8_t second_count) {
    CommandPacket packet(opcode::kSetClock);
    packet.byte(first_count).byte(second_count);
    return packet;
}

CommandPacket query_clock_packet() {
    return CommandPacket(opcode::kQueryClock);
}

}  // namespace tessbridge::i2c
