#include "command.hpp"

#include <algorithm>

#include "channel.hpp"

namespace tessbridge {
namespace {

constexpr std::size_t kUsbPacketBytes = 64;

}  // namespace

CommandPacket &CommandPacket::byte(uint8_t value) {
    if (size_ < bytes_.size()) {
        bytes_[size_++] = value;
    } else {
        overflowed_ = true;
    }
    return *this;
}

CommandPacket &CommandPacket::count16(uint16_t value) {
    byte(static_cast<uint8_t>(value >> 8U));
    return byte(static_cast<uint8_t>(value & 0xFFU));
}

CommandPacket &CommandPacket::bytes(std::span<const uint8_t> values) {
    if (values.size() > bytes_.size() - size_) {
        overflowed_ = true;
        return *this;
    }
    std::copy(values.begin(), values.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
    size_ += values.size();
    return *this;
}

std::span<const uint8_t> CommandPacket::framed() {
    bytes_[0] = static_cast<uint8_t>((size_ + kUsbPacketBytes - 1) / kUsbPacketBytes);
    return {bytes_.data(), size_};
}

CommandResult send_command(CommandPacket &packet) {
    if (packet.overflowed()) {
        return {};
    }
    const auto bytes = packet.framed();
    const auto length = static_cast<int32_t>(bytes.size());
    return {SendCommand(length, bytes.data()) == length, 0};
}

CommandResult send_command(CommandPacket &packet, std::span<uint8_t> reply) {
    std::fill(reply.begin(), reply.end(), kNoReplyByte);
    CommandResult result = send_command(packet);
    if (result.sent) {
        result.received = ReadReply(static_cast<int32_t>(reply.size()), reply.data());
    }
    return result;
}

}  // namespace tessbridge
