// IO pins and pin modes: the general-purpose IO, the bus functions on and off,
// and the bus lines as plain IO, in both directions.
#include "export_case.hpp"

namespace tbtest {
namespace {

class PinCommands : public ExportCaseTest {};

TEST_P(PinCommands, SendTheirBytesAndReturnWhatTheAdapterTold) { check(); }

int64_t read_io(const TessbridgeApi &tb, uint8_t *) { return tb.Read_IO(); }
int64_t read_spi_lines(const TessbridgeApi &tb, uint8_t *) { return tb.GPIO_SPI_Read(); }
int64_t read_i2c_lines(const TessbridgeApi &tb, uint8_t *) { return tb.GPIO_I2C_Read(); }

// Columns: name, call, packet sent, reply given, read lengths, result, caller's
// buffer afterwards, messages, faults.
INSTANTIATE_TEST_SUITE_P(
    WithoutReply, PinCommands,
    ::testing::Values(
        // Success is 1 for every command of this family.
        ExportCase{"IoHigh", [](auto &tb, auto) -> int64_t { return tb.Write_IO(1); }, "01 87", nullptr,
                 {}, 1},
        ExportCase{"IoLow", [](auto &tb, auto) -> int64_t { return tb.Write_IO(0); }, "01 86", nullptr,
                 {}, 1},
        ExportCase{"IoFiveIsHigh", [](auto &tb, auto) -> int64_t { return tb.Write_IO(5); }, "01 87",
                 nullptr, {}, 1},
        ExportCase{"EnableI2c", [](auto &tb, auto) -> int64_t { return tb.Enable_I2C(); }, "01 8D",
                 nullptr, {}, 1},
        ExportCase{"DisableI2c", [](auto &tb, auto) -> int64_t { return tb.Disable_I2C(); }, "01 8C",
                 nullptr, {}, 1},
        ExportCase{"EnableSpi", [](auto &tb, auto) -> int64_t { return tb.Enable_SPI(); }, "01 89",
                 nullptr, {}, 1},
        ExportCase{"DisableSpi", [](auto &tb, auto) -> int64_t { return tb.Disable_SPI(); }, "01 88",
                 nullptr, {}, 1},
        ExportCase{"IoShortSendIsZero", [](auto &tb, auto) -> int64_t { return tb.Write_IO(1); },
                 "01", nullptr, {}, 0, "", {}, {kShortSend}},
        ExportCase{"SpiShortSendIsZero", [](auto &tb, auto) -> int64_t { return tb.Enable_SPI(); },
                 "01", nullptr, {}, 0, "", {}, {kShortSend}}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    LinesWritten, PinCommands,
    ::testing::Values(
        // SPI lines 0-3 go to pin byte bits 5-2, in reverse order.
        ExportCase{"SpiAllLines", [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(0x0F); },
                 "01 8A 3C", nullptr, {}, 1},
        ExportCase{"SpiLine0", [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(0x01); },
                 "01 8A 20", nullptr, {}, 1},
        ExportCase{"SpiLine1", [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(0x02); },
                 "01 8A 10", nullptr, {}, 1},
        ExportCase{"SpiLine2", [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(0x04); },
                 "01 8A 08", nullptr, {}, 1},
        ExportCase{"SpiLine3", [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(0x08); },
                 "01 8A 04", nullptr, {}, 1},
        ExportCase{"SpiHighBitsIgnored",
                 [](auto &tb, auto) -> int64_t { return tb.GPIO_SPI_Write(-16); }, "01 8A 00",
                 nullptr, {}, 1},
        // I2C lines 0-1 go to pin byte bits 2-3.
        ExportCase{"I2cBothLines", [](auto &tb, auto) -> int64_t { return tb.GPIO_I2C_Write(3); },
                 "01 8E 0C", nullptr, {}, 1},
        ExportCase{"I2cLine0", [](auto &tb, auto) -> int64_t { return tb.GPIO_I2C_Write(1); },
                 "01 8E 04", nullptr, {}, 1},
        ExportCase{"I2cLine1", [](auto &tb, auto) -> int64_t { return tb.GPIO_I2C_Write(2); },
                 "01 8E 08", nullptr, {}, 1},
        ExportCase{"I2cHighBitsIgnored",
                 [](auto &tb, auto) -> int64_t { return tb.GPIO_I2C_Write(4); }, "01 8E 00",
                 nullptr, {}, 1},
        ExportCase{"I2cShortSendIsZero",
                 [](auto &tb, auto) -> int64_t { return tb.GPIO_I2C_Write(3); }, "01 8E", nullptr,
                 {}, 0, "", {}, {Fault{WDSIM_OP_BULK_OUT, 0, WD_STATUS_SUCCESS, 2}}}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    LinesRead, PinCommands,
    ::testing::Values(
        ExportCase{"IoByteAsItCame", read_io, "01 83", "5A", {1}, 0x5A},
        ExportCase{"IoFFIsAReading", read_io, "01 83", "FF", {1}, 255},
        ExportCase{"IoNoReplyIsMinusOne", read_io, "01 83", nullptr, {1}, -1, "", {kTimedOut}},
        ExportCase{"IoShortSendIsMinusOne", read_io, "01", "5A", {}, -1, "", {}, {kShortSend}},
        // SPI pin byte bits 5-2 come back as lines 0-3; bits 0, 1, 6, 7 are ignored.
        ExportCase{"SpiLines0And3", read_spi_lines, "01 8B", "24", {1}, 0x09},
        ExportCase{"SpiAllLines", read_spi_lines, "01 8B", "3C", {1}, 0x0F},
        ExportCase{"SpiLine1", read_spi_lines, "01 8B", "10", {1}, 0x02},
        ExportCase{"SpiOtherBitsIgnored", read_spi_lines, "01 8B", "C3", {1}, 0},
        ExportCase{"SpiNoReply", read_spi_lines, "01 8B", nullptr, {1}, 255, "", {kTimedOut}},
        ExportCase{"SpiShortSend", read_spi_lines, "01", "3C", {}, 255, "", {}, {kShortSend}},
        // I2C pin byte bits 2-3 come back as lines 0-1.
        ExportCase{"I2cLine1", read_i2c_lines, "01 8F", "08", {1}, 2},
        ExportCase{"I2cLine0", read_i2c_lines, "01 8F", "04", {1}, 1},
        ExportCase{"I2cAllBitsSet", read_i2c_lines, "01 8F", "FF", {1}, 3},
        ExportCase{"I2cOtherBitsIgnored", read_i2c_lines, "01 8F", "F3", {1}, 0},
        ExportCase{"I2cEmptyReply", read_i2c_lines, "01 8F", "", {1}, 255},
        ExportCase{"I2cShortSend", read_i2c_lines, "01", "0C", {}, 255, "", {}, {kShortSend}}),
    CaseName{});

}  // namespace
}  // namespace tbtest
