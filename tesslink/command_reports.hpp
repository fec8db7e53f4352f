// Command codes, layouts and limits of the adapter's report protocol.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tesslink {

enum CommandCode : std::uint8_t {
    kCmdDeviceVersion = 0x00,
    kCmdI2CReadArray = 0x41,   // 'A'
    kCmdI2CWriteArray = 0x42,  // 'B'
    kCmdI2CRead = 0x43,        // 'C'
    kCmdI2CWrite = 0x44,       // 'D'
    kCmdSetI2CClock = 0x45,    // 'E'
    kCmdGetI2CClock = 0x46,    // 'F'
    kCmdFlashLed = 0xA0,
    kCmdReset = 0xFF,
};

// Byte 2 of the information commands, echoed back in their replies.
inline constexpr std::uint8_t kInfoMarker = 2;
// Byte 2 of both write commands.
inline constexpr std::uint8_t kWriteMarker = 1;

inline constexpr std::size_t kMaxSingleTransfer = 60;  // MPUI2CRead, MPUI2CWrite
inline constexpr std::size_t kMaxBlockTransfer = 256;  // MPUI2CReadArray, MPUI2CWriteArray
inline constexpr std::size_t kBlockChunk = 48;

// Header bytes before the data of the write commands (0x42, 0x44):
// report ID, command, marker, length, address, register.
inline constexpr std::size_t kWriteHeaderBytes = 6;

inline constexpr std::uint8_t kStatusOk = 0;
inline constexpr std::uint8_t kStatusBadLength = 129;
inline constexpr std::uint8_t kStatusNoAnswer = 255;

inline constexpr std::uint8_t kResetSent = 255;
inline constexpr std::uint8_t kResetNotSent = 0;
inline constexpr std::uint16_t kFlashLedAcknowledged = 0;
inline constexpr std::uint16_t kFlashLedFailed = 255;
inline constexpr int kDllVersion = 0x0408;

}  // namespace tesslink
