// The bulk adapter's command codes, status codes and pin bits, as its firmware
// sees them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace devices::bulk {

// Command codes (byte 1 of a command packet).
namespace opcode {
inline constexpr std::uint8_t kI2cWrite = 0x00;              // write, then STOP
inline constexpr std::uint8_t kI2cWriteOpen = 0x01;          // write, transaction left open
inline constexpr std::uint8_t kI2cRead = 0x20;               // read, then STOP
inline constexpr std::uint8_t kI2cReadOpen = 0x21;           // read, transaction left open
inline constexpr std::uint8_t kI2cWriteWrite = 0x30;         // write, repeated START, write
inline constexpr std::uint8_t kI2cWriteRead = 0x40;          // write, repeated START, read
inline constexpr std::uint8_t kSpiWrite = 0x60;
inline constexpr std::uint8_t kSpiExchange = 0x61;
inline constexpr std::uint8_t kSpiWriteRead = 0x62;
inline constexpr std::uint8_t kSpiWriteFirstOutside = 0x63;  // length field counts all but the first byte
inline constexpr std::uint8_t kSpiClock = 0x64;
inline constexpr std::uint8_t kSpiMode = 0x65;
inline constexpr std::uint8_t kSupply3vOff = 0x70;
inline constexpr std::uint8_t kSupply3vOn = 0x71;
inline constexpr std::uint8_t kSupply5vOff = 0x74;
inline constexpr std::uint8_t kSupply5vOn = 0x75;
inline constexpr std::uint8_t kReadIo = 0x83;
inline constexpr std::uint8_t kWriteIoLow = 0x86;
inline constexpr std::uint8_t kWriteIoHigh = 0x87;
inline constexpr std::uint8_t kSpiOff = 0x88;
inline constexpr std::uint8_t kSpiOn = 0x89;
inline constexpr std::uint8_t kSpiPinsWrite = 0x8A;
inline constexpr std::uint8_t kSpiPinsRead = 0x8B;
inline constexpr std::uint8_t kI2cOff = 0x8C;
inline constexpr std::uint8_t kI2cOn = 0x8D;
inline constexpr std::uint8_t kI2cPinsWrite = 0x8E;
inline constexpr std::uint8_t kI2cPinsRead = 0x8F;
inline constexpr std::uint8_t kI2cSetClock = 0x90;
inline constexpr std::uint8_t kFirmwareRevision = 0xF0;
inline constexpr std::uint8_t kQuery = 0xF7;  // I2C dividers + hardware information
}  // namespace opcode

// Status byte of the I2C replies and of the one-byte SPI write replies.
namespace status {
inline constexpr std::uint8_t kSuccess = 0;
inline constexpr std::uint8_t kAddressNack = 1;      // an address byte was not acknowledged
inline constexpr std::uint8_t kDataNack = 2;         // a data byte was not acknowledged
inline constexpr std::uint8_t kFunctionOff = 3;      // the I2C (or SPI) function is switched off
inline constexpr std::uint8_t kBusBusy = 4;          // SDA held low: no START could be made
}  // namespace status

// I2C pin byte (commands 0x8E / 0x8F): SDA in bit 2, SCL in bit 3; 1 is high.
inline constexpr std::uint8_t kI2cPinSda = 0x04;
inline constexpr std::uint8_t kI2cPinScl = 0x08;

// SPI pin byte (commands 0x8A / 0x8B), bits 5..2; 1 is high.
inline constexpr std::uint8_t kSpiPinSck = 0x20;
inline constexpr std::uint8_t kSpiPinMosi = 0x10;
inline constexpr std::uint8_t kSpiPinMiso = 0x08;  // input: writes are ignored
inline constexpr std::uint8_t kSpiPinCs = 0x04;
inline constexpr std::uint8_t kSpiPinMask = 0x3C;

// SPI mode byte (command 0x65): mode number (CPOL bit 1, CPHA bit 0) in bits
// 3..2, an option bit in bit 5; the other bits are dropped.
inline constexpr std::uint8_t kSpiModeMask = 0x2C;

// Limits of the command channel.
inline constexpr std::size_t kBlockSize = 64;
inline constexpr std::size_t kMaxPacket = 512;      // 8 blocks
inline constexpr std::size_t kMaxReadCount = 500;   // bytes one read command may ask for
inline constexpr std::size_t kMaxPendingReplies = 16;

}  // namespace devices::bulk
