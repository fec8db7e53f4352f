// I2CWriteByte, I2CSendByte, I2CReceiveByte and I2CReadByte on the wire.
#include "i2c_export.hpp"

namespace tbtest {
namespace {

const Fault kSendCutShort{WDSIM_OP_BULK_OUT, 0, WD_STATUS_SUCCESS, 3};
const Fault kSendFails{WDSIM_OP_BULK_OUT, 0, WD_STATUS_IO_ERROR, 0};

const std::vector<ExportCase> kSingleByteCases = {
    // I2CWriteByte: register write, a 1-byte reply.
    {.name = "WriteByteClearsTheReadBit",
     .call = [](auto &tb, auto *) { return tb.I2CWriteByte(0xA1, 0x10, 0x55); },
     .sent = {hex("01 00 00 02 A0 10 55")},
     .replies = {hex("00")},
     .reads = {1},
     .result = 0,
     .buffer_after = {}},
    {.name = "WriteByteReturnsTheAdaptersStatusUnchanged",
     .call = [](auto &tb, auto *) { return tb.I2CWriteByte(0xA0, 0x00, 0xFF); },
     .sent = {hex("01 00 00 02 A0 00 FF")},
     .replies = {hex("02")},
     .reads = {1},
     .result = 2,
     .buffer_after = {}},
    {.name = "WriteByteWithoutReplyIs255",
     .call = [](auto &tb, auto *) { return tb.I2CWriteByte(0xA0, 0x10, 0x55); },
     .sent = {hex("01 00 00 02 A0 10 55")},
     .replies = {},
     .reads = {1},
     .result = 255,
     .buffer_after = {},
     .messages = {kTimedOut}},
    {.name = "WriteBytePacketCutShortReadsNothing",
     .call = [](auto &tb, auto *) { return tb.I2CWriteByte(0xA0, 0x10, 0x55); },
     .sent = {hex("01 00 00")},
     .replies = {hex("00")},
     .reads = {},
     .result = 255,
     .buffer_after = {},
     .faults = {kSendCutShort}},

    // I2CSendByte: no register; two reply bytes, the first is the status.
    {.name = "SendByteReturnsTheFirstOfTwoReplyBytes",
     .call = [](auto &tb, auto *) { return tb.I2CSendByte(0xA1, 0x7E); },
     .sent = {hex("01 00 00 01 A0 7E")},
     .replies = {hex("00 99")},
     .reads = {2},
     .result = 0,
     .buffer_after = {}},
    {.name = "SendByteNeedsOnlyTheStatusByte",
     .call = [](auto &tb, auto *) { return tb.I2CSendByte(0xA0, 0x7E); },
     .sent = {hex("01 00 00 01 A0 7E")},
     .replies = {hex("04")},
     .reads = {2},
     .result = 4,
     .buffer_after = {}},
    {.name = "SendByteFailedSendIs255",
     .call = [](auto &tb, auto *) { return tb.I2CSendByte(0xA0, 0x7E); },
     .sent = {{}},
     .replies = {hex("00 00")},
     .reads = {},
     .result = 255,
     .buffer_after = {},
     .messages = {kIoError},
     .faults = {kSendFails}},

    // I2CReceiveByte: plain one-byte read; the data byte is stored on every call.
    {.name = "ReceiveByteSetsTheReadBitAndStoresTheData",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReceiveByte(0xA0, buffer); },
     .sent = {hex("01 20 00 01 A1")},
     .replies = {hex("00 5A")},
     .reads = {2},
     .result = 0,
     .buffer_after = hex("5A")},
    {.name = "ReceiveByteKeepsStoringDataWithAnAdapterError",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReceiveByte(0xA1, buffer); },
     .sent = {hex("01 20 00 01 A1")},
     .replies = {hex("07 33")},
     .reads = {2},
     .result = 7,
     .buffer_after = hex("33")},
    {.name = "ReceiveByteWithoutItsDataByteIs255AndStoresFF",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReceiveByte(0xA0, buffer); },
     .sent = {hex("01 20 00 01 A1")},
     .replies = {hex("00")},
     .reads = {2},
     .result = 255,
     .buffer_after = hex("FF")},
    {.name = "ReceiveByteWithoutReplyStoresFF",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReceiveByte(0xA0, buffer); },
     .sent = {hex("01 20 00 01 A1")},
     .replies = {},
     .reads = {2},
     .result = 255,
     .buffer_after = hex("FF"),
     .messages = {kTimedOut}},
    {.name = "ReceiveBytePacketCutShortStoresFF",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReceiveByte(0xA0, buffer); },
     .sent = {hex("01 20 00")},
     .replies = {hex("00 5A")},
     .reads = {},
     .result = 255,
     .buffer_after = hex("FF"),
     .faults = {kSendCutShort}},
    {.name = "ReceiveByteRefusesANullPointer",
     .call = [](auto &tb, auto *) { return tb.I2CReceiveByte(0xA0, nullptr); },
     .sent = {},
     .replies = {},
     .reads = {},
     .result = 10,
     .buffer_after = {}},

    // I2CReadByte: register, repeated start, one-byte read.
    {.name = "ReadByteFromEvenAddress",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReadByte(0xA0, 0x05, buffer); },
     .sent = {hex("01 40 00 01 00 01 A0 A1 05")},
     .replies = {hex("00 C3")},
     .reads = {2},
     .result = 0,
     .buffer_after = hex("C3")},
    {.name = "ReadByteFromOddAddressSendsTheSamePacket",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReadByte(0xA1, 0x05, buffer); },
     .sent = {hex("01 40 00 01 00 01 A0 A1 05")},
     .replies = {hex("20 3C")},
     .reads = {2},
     .result = 0x20,
     .buffer_after = hex("3C")},
    {.name = "ReadByteWithoutItsDataByteIs255AndStoresFF",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReadByte(0xA0, 0x05, buffer); },
     .sent = {hex("01 40 00 01 00 01 A0 A1 05")},
     .replies = {hex("00")},
     .reads = {2},
     .result = 255,
     .buffer_after = hex("FF")},
    {.name = "ReadByteFailedSendStoresFF",
     .call = [](auto &tb, auto *buffer) { return tb.I2CReadByte(0xA0, 0x05, buffer); },
     .sent = {{}},
     .replies = {hex("00 C3")},
     .reads = {},
     .result = 255,
     .buffer_after = hex("FF"),
     .messages = {kIoError},
     .faults = {kSendFails}},
    {.name = "ReadByteRefusesANullPointer",
     .call = [](auto &tb, auto *) { return tb.I2CReadByte(0xA0, 0x05, nullptr); },
     .sent = {},
     .replies = {},
     .reads = {},
     .result = 10,
     .buffer_after = {}},
};

INSTANTIATE_TEST_SUITE_P(SingleByte, I2CExport, ::testing::ValuesIn(kSingleByteCases), CaseName{});

using SingleByte = I2CExport;

// A one-byte register read is the one-byte case of the block read.
TEST_F(SingleByte, ReadByteSendsWhatReadArraySendsForOneByte) {
    uint8_t byte = 0;
    reply(adapter, hex("00 11"));
    reply(adapter, hex("00 11"));
    tb.I2CReadByte(0xA0, 0x42, &byte);
    tb.I2CReadArray(0xA0, 0x42, 1, &byte);
    const auto packets = sent_packets();
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0], packets[1]);
}

}  // namespace
}  // namespace tbtest
