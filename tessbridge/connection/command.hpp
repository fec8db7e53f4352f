// One command to the adapter: a CommandPacket framed in one place, sent with
// SendCommand, and, for a command that answers, one reply read with ReadReply.
//
// Framing: byte 0 is the number of 64-byte USB packets the whole packet fills
// (computed from the final length), byte 1 the command code, then the fields;
// 16-bit counts travel high byte first. A packet holds at most 512 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessbridge {

inline constexpr std::size_t kMaxPacketBytes = 512;
inline constexpr uint8_t kNoReplyByte = 0xFF;  // what a reply area holds before a reply

class CommandPacket {
public:
    explicit CommandPacket(uint8_t code) { bytes_[1] = code; }

    CommandPacket &byte(uint8_t value);
    CommandPacket &count16(uint16_t value);  // high byte first
    CommandPacket &bytes(std::span<const uint8_t> values);

    std::size_t size() const { return size_; }
    // More bytes were added than a packet holds: such a packet is never sent.
    bool overflowed() const { return overflowed_; }
    // The framed packet: block count set from the length.
    std::span<const uint8_t> framed();

private:
    std::array<uint8_t, kMaxPacketBytes> bytes_;  // only the first size_ bytes are ever read
    std::size_t size_ = 2;
    bool overflowed_ = false;
};

struct CommandResult {
    bool sent = false;     // every packet byte went out
    int32_t received = 0;  // reply bytes that arrived

    // Sent, and the reply arrived in full.
    bool answered(std::size_t replyLength) const {
        return sent && received == static_cast<int32_t>(replyLength);
    }
};

// Sends a command that has no reply. An overflowed packet is not sent.
CommandResult send_command(CommandPacket &packet);

// Sends a command and, once it went out in full, reads its reply into `reply`
// (even a reply of 0 bytes). `reply` is filled with 0xFF first, so no byte of
// it ever comes from memory that no reply filled.
CommandResult send_command(CommandPacket &packet, std::span<uint8_t> reply);

}  // namespace tessbridge
