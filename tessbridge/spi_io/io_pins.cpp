// IO pins and pin modes: the general-purpose IO, the I2C and SPI functions on
// and off, and the bus lines driven and read as plain IO.
#include <tessbridge.h>

#include "connection/c_boundary.hpp"
#include "conversions.hpp"
#include "short_commands.hpp"

namespace {

constexpr uint8_t kReadIo = 0x83;
constexpr uint8_t kIoOutputLow = 0x86;  // 0x87 sets it high
constexpr uint8_t kSpiFunctionOff = 0x88;
constexpr uint8_t kSpiFunctionOn = 0x89;
constexpr uint8_t kWriteSpiLines = 0x8A;
constexpr uint8_t kReadSpiLines = 0x8B;
constexpr uint8_t kI2cFunctionOff = 0x8C;
constexpr uint8_t kI2cFunctionOn = 0x8D;
constexpr uint8_t kWriteI2cLines = 0x8E;
constexpr uint8_t kReadI2cLines = 0x8F;

constexpr int32_t kPinCommandSent = 1;  // the pin and mode commands' success value
constexpr int32_t kIoNotRead = -1;      // every byte 0 to 255 is a valid IO reading
constexpr uint8_t kLinesNotRead = 255;

int32_t pin_command(uint8_t code) {
    return tessbridge::exported(0,
                                [&] { return tessbridge::send_code(code) ? kPinCommandSent : 0; });
}

int32_t pin_command(uint8_t code, uint8_t argument) {
    return tessbridge::exported(
        0, [&] { return tessbridge::send_code(code, argument) ? kPinCommandSent : 0; });
}

template <typename FromPinByte>
uint8_t read_lines(uint8_t code, FromPinByte fromPinByte) {
    return tessbridge::exported(kLinesNotRead, [&] {
        const auto pins = tessbridge::query_byte(code);
        return pins ? fromPinByte(*pins) : kLinesNotRead;
    });
}

}  // namespace

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Write_IO(int32_t level) {
    return pin_command(tessbridge::switch_code(kIoOutputLow, level));
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Read_IO(void) {
    return tessbridge::exported(kIoNotRead, [] {
        const auto io = tessbridge::query_byte(kReadIo);
        return io ? int32_t{*io} : kIoNotRead;
    });
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable_I2C(void) {
    return pin_command(kI2cFunctionOn);
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Disable_I2C(void) {
    return pin_command(kI2cFunctionOff);
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable_SPI(void) {
    return pin_command(kSpiFunctionOn);
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL Disable_SPI(void) {
    return pin_command(kSpiFunctionOff);
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GPIO_I2C_Write(int32_t lines) {
    return pin_command(kWriteI2cLines, tessbridge::i2c_pin_byte(static_cast<uint32_t>(lines)));
}

extern "C" TESSBRIDGE_API int32_t TESSBRIDGE_CALL GPIO_SPI_Write(int32_t lines) {
    return pin_command(kWriteSpiLines, tessbridge::spi_pin_byte(static_cast<uint32_t>(lines)));
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GPIO_I2C_Read(void) {
    return read_lines(kReadI2cLines, tessbridge::i2c_lines_from);
}

extern "C" TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GPIO_SPI_Read(void) {
    return read_lines(kReadSpiLines, tessbridge::spi_lines_from);
}
