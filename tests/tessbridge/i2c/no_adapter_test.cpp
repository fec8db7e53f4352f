// Every I2C export with no adapter attached: the channel's message once per
// call, no transfer, the failure value, and no byte from memory that no reply
// filled.
#include "i2c_export.hpp"

namespace tbtest {
namespace {

using NoAdapter = TessbridgeTest;

TEST_F(NoAdapter, EveryI2CExportFailsWithTheChannelsMessage) {
    load();  // waits out the start-up's time limit
    forget();
    const Bytes data = pattern(4);
    uint8_t byte = kUntouched;
    Bytes buffer = untouched(4);

    EXPECT_EQ(tb.SetI2CFrequency(100), 0);
    EXPECT_EQ(tb.GetI2CFrequency(), 0);
    EXPECT_EQ(tb.I2CWriteByte(0xA0, 0x10, 0x55), 255);
    EXPECT_EQ(tb.I2CSendByte(0xA0, 0x55), 255);
    EXPECT_EQ(tb.I2CReceiveByte(0xA0, &byte), 255);
    EXPECT_EQ(byte, 0xFF);
    byte = kUntouched;
    EXPECT_EQ(tb.I2CReadByte(0xA0, 0x10, &byte), 255);
    EXPECT_EQ(byte, 0xFF);
    EXPECT_EQ(tb.I2CReadArray(0xA0, 0x10, 4, buffer.data()), 255);
    EXPECT_EQ(tb.I2CReadArrayDB(0xA0, 0x10, 0x20, 4, buffer.data()), 255);
    EXPECT_EQ(tb.I2C10ReadArray(0x2A5, 0x10, 4, buffer.data()), 255);
    EXPECT_EQ(tb.I2CRead(0xA0, 4, buffer.data(), 1), 255);
    EXPECT_EQ(buffer, untouched(4));
    EXPECT_EQ(tb.I2CWrite(0xA0, 4, data.data(), 1), 255);
    EXPECT_EQ(tb.I2CWriteArray(0xA0, 0x10, 4, data.data()), 255);
    EXPECT_EQ(tb.I2CWriteArrayDB(0xA0, 0x10, 0x20, 4, data.data()), 255);
    EXPECT_EQ(tb.I2C10WriteArray(0x2A5, 0x10, 4, data.data()), 255);
    EXPECT_EQ(tb.I2CWriteRepWrite(0xA0, 2, data.data(), 0xA0, 2, data.data()), 255);

    EXPECT_EQ(messages, std::vector<std::string>(15, "No hardware detected"));
    EXPECT_TRUE(transfers().empty());

    // Limits are checked before the channel is asked.
    forget();
    EXPECT_EQ(tb.I2CReadArray(0xA0, 0x10, 257, buffer.data()), 10);
    EXPECT_EQ(messages, std::vector<std::string>{"Maximum bytes is limited to\r256 in the "
                                                 "I2CReadArray function.\rTransmission aborted."});
}

}  // namespace
}  // namespace tbtest
