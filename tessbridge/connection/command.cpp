#include "command.hpp"

#include <algorithm>

#include "channel.hpp"

namespace tessbridge {
namespace {

constexpr std::size_t kUsbPacketBytes = 64;

}  // namespace

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
    CommandResult result = send_command(packet);
    if (result.sent) {
        result.received = ReadReply(static_cast<int32_t>(reply.size()), reply.data());
    }
    // Only what the reply left unfilled is set, rather than the whole area
    // beforehand: a reply that arrived in full costs no pass at all.
    const auto filled = static_cast<std::size_t>(
        std::clamp<int32_t>(result.received, 0, static_cast<int32_t>(reply.size())));
    if (filled < reply.size()) {
        std::fill(reply.begin() + static_cast<std::ptrdiff_t>(filled), reply.end(), kNoReplyByte);
    }
    return result;
}

}  // namespace tessbridge
