// One command to the adapter: a CommandPacket framed in one place, sent with
// SendCommand, and, for a command that answers, one reply read with ReadReply.
//
// Framing: byte 0 is the number of 64-byte USB packets the whole packet fills
// (computed from the final length), byte 1 the command code, then the fields;
// 16-bit counts travel high byte first. A packet holds at most 512 bytes.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessbridge {

inline constexpr std::size_t kMaxPacketBytes = 512;
inline constexpr uint8_t kNoReplyByte = 0xFF;  // what a reply area holds where no reply filled it

// The builders are defined here, inline: a packet is a handful of calls per
// command, each of which would otherwise cost more than its work.
class CommandPacket {
public:
    explicit CommandPacket(uint8_t code) { bytes_[1] = code; }

    CommandPacket &byte(uint8_t value) {
        if (size_ < bytes_.size()) {
            bytes_[size_++] = value;
        } else {
            overflowed_ = true;
        }
        return *this;
    }
    CommandPacket &count16(uint16_t value) {  // high byte first
        byte(static_cast<uint8_t>(value >> 8U));
        return byte(static_cast<uint8_t>(value & 0xFFU));
    }
    CommandPacket &bytes(std::span<const uint8_t> values) {
        if (values.size() > bytes_.size() - size_) {
            overflowed_ = true;
        } else if (!values.empty()) {
            std::copy(values.begin(), values.end(),
                      bytes_.begin() + static_cast<std::ptrdiff_t>(size_));
            size_ += values.size();
        }
        return *this;
    }

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
// (even a reply of 0 bytes). Every byte of `reply` that no reply byte filled
// (all of it when nothing was read) is then 0xFF, so no byte of it ever comes
// from memory that no reply filled.
CommandResult send_command(CommandPacket &packet, std::span<uint8_t> reply);

}  // namespace tessbridge
