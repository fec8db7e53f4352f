// SPI master: mode and clock setup, the four data transfers, their limits and
// the block counts of their packets.
#include <algorithm>
#include <ostream>
#include <string>

#include "export_case.hpp"

namespace tbtest {
namespace {

class SpiCommands : public ExportCaseTest {};

TEST_P(SpiCommands, SendTheirPacketAndReturnWhatTheAdapterTold) { check(); }

const uint8_t kAabbcc[] = {0xAA, 0xBB, 0xCC};
const uint8_t kJedecId[] = {0x9F, 0x00, 0x00};
const uint8_t kTwoBytes[] = {0x12, 0x34};
const uint8_t kReadStatus[] = {0x03};

int64_t configure(const TessbridgeApi &tb, uint32_t config) { return tb.SPI_Configure(config); }
int64_t spi_clock(const TessbridgeApi &tb, uint32_t khz) { return tb.SPI_SetFrequency(khz); }
int64_t write3(const TessbridgeApi &tb, uint8_t *) { return tb.SPI_Write(3, kAabbcc); }
int64_t write_oc3(const TessbridgeApi &tb, uint8_t *) { return tb.SPI_WriteWithOC(3, kJedecId); }
int64_t generic2(const TessbridgeApi &tb, uint8_t *back) { return tb.SPI_Generic(2, kTwoBytes, back); }
int64_t write1_read3(const TessbridgeApi &tb, uint8_t *back) {
    return tb.SPI_WriteRead(1, 3, kReadStatus, back);
}

// Columns: name, call, packet sent, reply given, read lengths, result, caller's
// buffer afterwards, messages, faults.
INSTANTIATE_TEST_SUITE_P(
    Setup, SpiCommands,
    ::testing::Values(
        // Mode byte: mode number in bits 2-3, option bit 4 moved to bit 5.
        ExportCase{"Mode0", [](auto &tb, auto) { return configure(tb, 0x00); }, "01 65 00", nullptr, {}, 0},
        ExportCase{"Mode1", [](auto &tb, auto) { return configure(tb, 0x01); }, "01 65 04", nullptr, {}, 0},
        ExportCase{"Mode2", [](auto &tb, auto) { return configure(tb, 0x02); }, "01 65 08", nullptr, {}, 0},
        ExportCase{"Mode3WithOption", [](auto &tb, auto) { return configure(tb, 0x13); }, "01 65 2C",
                 nullptr, {}, 0},
        ExportCase{"Bits2And3Ignored", [](auto &tb, auto) { return configure(tb, 0x0C); }, "01 65 00",
                 nullptr, {}, 0},
        ExportCase{"OptionAlone", [](auto &tb, auto) { return configure(tb, 0x10); }, "01 65 20",
                 nullptr, {}, 0},
        ExportCase{"HighBitsIgnored", [](auto &tb, auto) { return configure(tb, 0xFFFFFFE1); },
                 "01 65 04", nullptr, {}, 0},
        ExportCase{"ModeShortSend", [](auto &tb, auto) { return configure(tb, 0x13); }, "01", nullptr,
                 {}, 255, "", {}, {kShortSend}},
        // Clock: the highest of 4000, 1000, 250, 125 kHz not above the request.
        ExportCase{"ClockZero", [](auto &tb, auto) { return spi_clock(tb, 0); }, "01 64 03", nullptr, {}, 125},
        ExportCase{"Clock100", [](auto &tb, auto) { return spi_clock(tb, 100); }, "01 64 03", nullptr, {}, 125},
        ExportCase{"Clock249", [](auto &tb, auto) { return spi_clock(tb, 249); }, "01 64 03", nullptr, {}, 125},
        ExportCase{"Clock250", [](auto &tb, auto) { return spi_clock(tb, 250); }, "01 64 02", nullptr, {}, 250},
        ExportCase{"Clock999", [](auto &tb, auto) { return spi_clock(tb, 999); }, "01 64 02", nullptr, {}, 250},
        ExportCase{"Clock1000", [](auto &tb, auto) { return spi_clock(tb, 1000); }, "01 64 01", nullptr, {},
                 1000},
        ExportCase{"Clock3999", [](auto &tb, auto) { return spi_clock(tb, 3999); }, "01 64 01", nullptr, {},
                 1000},
        ExportCase{"Clock4000", [](auto &tb, auto) { return spi_clock(tb, 4000); }, "01 64 00", nullptr, {},
                 4000},
        ExportCase{"Clock10000", [](auto &tb, auto) { return spi_clock(tb, 10000); }, "01 64 00", nullptr,
                 {}, 4000},
        ExportCase{"ClockLargest", [](auto &tb, auto) { return spi_clock(tb, 0xFFFFFFFF); }, "01 64 00",
                 nullptr, {}, 4000},
        ExportCase{"ClockShortSend", [](auto &tb, auto) { return spi_clock(tb, 1000); }, "01", nullptr, {},
                 255, "", {}, {kShortSend}}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    Write, SpiCommands,
    ::testing::Values(
        // The result is the number of reply bytes that arrived, not the byte.
        ExportCase{"ThreeBytes", write3, "01 60 00 03 AA BB CC", "7F", {1}, 1},
        ExportCase{"NoReplyIsZero", write3, "01 60 00 03 AA BB CC", nullptr, {1}, 0, "", {kTimedOut}},
        ExportCase{"ShortSend", write3, "01", "00", {}, 255, "", {}, {kShortSend}},
        ExportCase{"NothingToWrite", [](auto &tb, auto) -> int64_t { return tb.SPI_Write(0, nullptr); },
                 "01 60 00 00", "00", {1}, 1},
        ExportCase{"NullDataIsRefused",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_Write(3, nullptr); }, nullptr,
                 nullptr, {}, 10}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    WriteWithOC, SpiCommands,
    ::testing::Values(
        // The length field leaves out the first byte; the reply byte is dropped.
        ExportCase{"ThreeBytes", write_oc3, "01 63 00 02 9F 00 00", "55", {1}, 0},
        ExportCase{"NoReplyIsStillZero", write_oc3, "01 63 00 02 9F 00 00", nullptr, {1}, 0, "",
                 {kTimedOut}},
        ExportCase{"ZeroCountWrapsTheLengthField",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_WriteWithOC(0, nullptr); },
                 "01 63 FF FF", "00", {1}, 0},
        ExportCase{"ShortSend", write_oc3, "01", "00", {}, 255, "", {}, {kShortSend}},
        ExportCase{"NullDataIsRefused",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_WriteWithOC(1, nullptr); }, nullptr,
                 nullptr, {}, 10}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    Generic, SpiCommands,
    ::testing::Values(
        // The result is the first byte read back.
        ExportCase{"TwoBytes", generic2, "01 61 00 02 12 34", "56 78", {2}, 0x56, "56 78"},
        ExportCase{"ZeroCountReturnsTheBlockCount",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_Generic(0, nullptr, nullptr); },
                 "01 61 00 00", "", {0}, 1},
        ExportCase{"ShortReplyCopiesNothing", generic2, "01 61 00 02 12 34", "56", {2}, 255, "EE EE"},
        ExportCase{"NoReplyCopiesNothing", generic2, "01 61 00 02 12 34", nullptr, {2}, 255, "EE EE",
                 {kTimedOut}},
        ExportCase{"ShortSend", generic2, "01", "56 78", {}, 255, "EE EE", {}, {kShortSend}},
        ExportCase{"NullWriteDataIsRefused",
                 [](auto &tb, auto *back) -> int64_t { return tb.SPI_Generic(2, nullptr, back); },
                 nullptr, nullptr, {}, 10, "EE EE"},
        ExportCase{"NullReadBufferIsRefused",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_Generic(2, kTwoBytes, nullptr); },
                 nullptr, nullptr, {}, 10}),
    CaseName{});

INSTANTIATE_TEST_SUITE_P(
    WriteRead, SpiCommands,
    ::testing::Values(
        ExportCase{"OneOutThreeBack", write1_read3, "01 62 00 01 00 03 03", "9F 20 16", {3}, 0,
                 "9F 20 16"},
        ExportCase{"ShortReplyCopiesNothing", write1_read3, "01 62 00 01 00 03 03", "9F 20", {3}, 255,
                 "EE EE EE"},
        ExportCase{"NoReplyCopiesNothing", write1_read3, "01 62 00 01 00 03 03", nullptr, {3}, 255,
                 "EE EE EE", {kTimedOut}},
        ExportCase{"ShortSend", write1_read3, "01", "9F 20 16", {}, 255, "EE EE EE", {}, {kShortSend}},
        ExportCase{"NothingToRead",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_WriteRead(1, 0, kReadStatus, nullptr); },
                 "01 62 00 01 00 00 03", "", {0}, 0},
        ExportCase{"NullReadBufferIsRefused",
                 [](auto &tb, auto) -> int64_t { return tb.SPI_WriteRead(1, 3, kReadStatus, nullptr); },
                 nullptr, nullptr, {}, 10}),
    CaseName{});

// ---- Sizes: block counts, the 500-byte limit --------------------------------

struct SizedTransfer {
    const char *name;
    uint8_t (*call)(const TessbridgeApi &tb, uint16_t writeCount, uint16_t readCount,
                    const uint8_t *data, uint8_t *readBack);
    uint16_t writeCount;
    uint16_t readCount;      // SPI_WriteRead only
    const char *header;      // the packet's bytes before the data (hex)
    uint32_t replyLength;    // what the adapter answers with
    int64_t result;
    bool copiesReply;        // the reply reaches the caller's buffer
};

uint8_t spi_write(const TessbridgeApi &tb, uint16_t n, uint16_t, const uint8_t *data, uint8_t *) {
    return tb.SPI_Write(n, data);
}
uint8_t spi_write_oc(const TessbridgeApi &tb, uint16_t n, uint16_t, const uint8_t *data, uint8_t *) {
    return tb.SPI_WriteWithOC(n, data);
}
uint8_t spi_generic(const TessbridgeApi &tb, uint16_t n, uint16_t, const uint8_t *data,
                    uint8_t *back) {
    return tb.SPI_Generic(n, data, back);
}
uint8_t spi_write_read(const TessbridgeApi &tb, uint16_t n, uint16_t m, const uint8_t *data,
                       uint8_t *back) {
    return tb.SPI_WriteRead(n, m, data, back);
}

// Distinct bytes, so that a byte out of place shows.
Bytes pattern(std::size_t length, uint8_t seed) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7U + seed);
    }
    return bytes;
}

void PrintTo(const SizedTransfer &t, std::ostream *os) { *os << t.name; }

class SpiSizes : public TessbridgeTest, public ::testing::WithParamInterface<SizedTransfer> {};

TEST_P(SpiSizes, CarryTheBlockCountOfTheWholePacketAndEveryByte) {
    const SizedTransfer &t = GetParam();
    const wd_handle device = plug("1234");
    load();
    forget();
    const Bytes data = pattern(t.writeCount, 0x11);
    const Bytes answer = pattern(t.replyLength, 0x03);
    reply(device, answer);
    Bytes readBack(500, kUntouched);

    EXPECT_EQ(t.call(tb, t.writeCount, t.readCount, data.data(), readBack.data()), t.result);
    Bytes packet = hex(t.header);
    packet.insert(packet.end(), data.begin(), data.end());
    ASSERT_EQ(sent_packets().size(), 1U);
    EXPECT_EQ(sent_packets()[0], packet);
    EXPECT_EQ(read_lengths(), std::vector<uint32_t>{t.replyLength});
    const auto copied = static_cast<std::ptrdiff_t>(t.copiesReply ? t.replyLength : 0);
    EXPECT_EQ(Bytes(readBack.begin(), readBack.begin() + copied),
              Bytes(answer.begin(), answer.begin() + copied));
    EXPECT_EQ(Bytes(readBack.begin() + copied, readBack.end()),
              Bytes(readBack.size() - static_cast<std::size_t>(copied), kUntouched))
        << "nothing is written past the bytes read back";
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SpiSizes,
    ::testing::Values(
        // 64 bytes fill one USB packet, 65 need two, 500 bytes of data need eight.
        SizedTransfer{"Write64", spi_write, 60, 0, "01 60 00 3C", 1, 1, false},
        SizedTransfer{"Write65", spi_write, 61, 0, "02 60 00 3D", 1, 1, false},
        SizedTransfer{"Write500", spi_write, 500, 0, "08 60 01 F4", 1, 1, false},
        SizedTransfer{"WithOC64", spi_write_oc, 60, 0, "01 63 00 3B", 1, 0, false},
        SizedTransfer{"WithOC65", spi_write_oc, 61, 0, "02 63 00 3C", 1, 0, false},
        SizedTransfer{"WithOC500", spi_write_oc, 500, 0, "08 63 01 F3", 1, 0, false},
        SizedTransfer{"Generic64", spi_generic, 60, 0, "01 61 00 3C", 60, 0x03, true},
        SizedTransfer{"Generic65", spi_generic, 61, 0, "02 61 00 3D", 61, 0x03, true},
        SizedTransfer{"Generic500", spi_generic, 500, 0, "08 61 01 F4", 500, 0x03, true},
        SizedTransfer{"WriteRead64", spi_write_read, 58, 1, "01 62 00 3A 00 01", 1, 0, true},
        SizedTransfer{"WriteRead65", spi_write_read, 59, 1, "02 62 00 3B 00 01", 1, 0, true},
        SizedTransfer{"WriteRead256Then255", spi_write_read, 256, 255, "05 62 01 00 00 FF", 255,
                      0, true},
        SizedTransfer{"WriteRead500Each", spi_write_read, 500, 500, "08 62 01 F4 01 F4", 500, 0,
                      true}),
    [](const auto &row) { return std::string(row.param.name); });

struct OverLimit {
    const char *name;
    uint8_t (*call)(const TessbridgeApi &tb, uint16_t writeCount, uint16_t readCount,
                    const uint8_t *data, uint8_t *readBack);
    uint16_t writeCount;
    uint16_t readCount;
    const char *function;  // named in the message
};

void PrintTo(const OverLimit &t, std::ostream *os) { *os << t.name; }

class SpiLimits : public TessbridgeTest, public ::testing::WithParamInterface<OverLimit> {};

TEST_P(SpiLimits, RefuseWithTheirMessageAndSendNothing) {
    const OverLimit &t = GetParam();
    plug("1234");
    load();
    forget();
    const Bytes data(t.writeCount, 0x5A);
    Bytes readBack(std::max(t.writeCount, t.readCount), kUntouched);
    EXPECT_EQ(t.call(tb, t.writeCount, t.readCount, data.data(), readBack.data()), 10);
    EXPECT_EQ(messages, std::vector<std::string>{std::string("Maximum bytes is limited to\r500 in the ") +
                                                 t.function + " function.\rTransmission aborted."});
    EXPECT_TRUE(transfers().empty());
    EXPECT_EQ(readBack, Bytes(readBack.size(), kUntouched));
}

INSTANTIATE_TEST_SUITE_P(
    Over500, SpiLimits,
    ::testing::Values(OverLimit{"Write501", spi_write, 501, 0, "SPI_Write"},
                      OverLimit{"WriteLargest", spi_write, 65535, 0, "SPI_Write"},
                      OverLimit{"WithOC501", spi_write_oc, 501, 0, "SPI_WriteWithOC"},
                      OverLimit{"Generic501", spi_generic, 501, 0, "SPI_Generic"},
                      OverLimit{"WriteRead501Out", spi_write_read, 501, 0, "SPI_WriteRead"},
                      OverLimit{"WriteRead501Back", spi_write_read, 1, 501, "SPI_WriteRead"}),
    [](const auto &row) { return std::string(row.param.name); });

}  // namespace
}  // namespace tbtest
