// The I2C exports against the adapter's firmware model with devices on its bus:
// the packets must be ones the adapter accepts, and the data must make the round
// trip through real transactions (7-bit, 10-bit, two-byte sub-addresses, a
// transaction left open for the next command).
#include <memory>

#include "devices/bulk_adapter/demo_bench.hpp"
#include "devices/bulk_adapter/sim_adapter.hpp"
#include "i2c_export.hpp"

namespace tbtest {
namespace {

class AdapterModel : public TessbridgeTest {
  protected:
    void SetUp() override {
        TessbridgeTest::SetUp();
        bench = devices::install_demo_bench(adapter);
        model = adapter.model();
        plug("1234", &model);
        load();
        forget();
    }

    void TearDown() override {
        const std::size_t rejected = adapter.with_firmware(
            [](devices::BulkAdapterFirmware &firmware) { return firmware.rejected_packets(); });
        EXPECT_EQ(rejected, 0U) << "the adapter rejected a packet";
        EXPECT_TRUE(messages.empty());
        TessbridgeTest::TearDown();
    }

    devices::SimAdapter adapter;
    devices::DemoBench bench;
    wdsim_model model{};
};

TEST_F(AdapterModel, ClockIsSetAndReadBack) {
    EXPECT_EQ(tb.SetI2CFrequency(400), 400000);
    EXPECT_EQ(tb.GetI2CFrequency(), 400);
    const auto dividers = adapter.with_firmware(
        [](devices::BulkAdapterFirmware &firmware) { return firmware.i2c_dividers(); });
    EXPECT_EQ(dividers, (devices::I2cDividers{10, 10}));
}

TEST_F(AdapterModel, SingleBytesRoundTripThroughThe24C02) {
    uint8_t byte = 0;
    EXPECT_EQ(tb.I2CWriteByte(0xA0, 0x05, 0x5A), 0);
    EXPECT_EQ(tb.I2CReadByte(0xA1, 0x05, &byte), 0);
    EXPECT_EQ(byte, 0x5A);
    // A word address alone sets the counter; a plain read continues from it.
    EXPECT_EQ(tb.I2CSendByte(0xA0, 0x05), 0);
    byte = 0;
    EXPECT_EQ(tb.I2CReceiveByte(0xA0, &byte), 0);
    EXPECT_EQ(byte, 0x5A);
}

TEST_F(AdapterModel, PageWriteAndWholeMemoryReadWithARepeatedStart) {
    const Bytes page = pattern(8, 3);
    EXPECT_EQ(tb.I2CWriteArray(0xA0, 0x40, 8, page.data()), 0);
    // Word address 0 with the transaction left open, then a chunked read.
    const uint8_t start = 0x00;
    EXPECT_EQ(tb.I2CWrite(0xA0, 1, &start, 0), 0);
    Bytes memory(256);
    EXPECT_EQ(tb.I2CRead(0xA0, 256, memory.data(), 1), 0);
    Bytes expected(256, 0xFF);
    std::copy(page.begin(), page.end(), expected.begin() + 0x40);
    EXPECT_EQ(memory, expected);
}

TEST_F(AdapterModel, TwoByteSubAddressRoundTripThroughThe24C256) {
    const Bytes data = pattern(64, 11);
    EXPECT_EQ(tb.I2CWriteArrayDB(0xA8, 0x12, 0x40, 64, data.data()), 0);
    Bytes back(64);
    EXPECT_EQ(tb.I2CReadArrayDB(0xA9, 0x12, 0x40, 64, back.data()), 0);
    EXPECT_EQ(back, data);
}

TEST_F(AdapterModel, TenBitDeviceRoundTrip) {
    const Bytes data = hex("11 22 33 44");
    EXPECT_EQ(tb.I2C10WriteArray(0x2A5, 0x03, 4, data.data()), 0);
    Bytes back(5);
    EXPECT_EQ(tb.I2C10ReadArray(0x2A5, 0x02, 5, back.data()), 0);
    EXPECT_EQ(back, hex("00 11 22 33 44"));
}

TEST_F(AdapterModel, WriteRepeatedStartWriteReachesBothDevices) {
    // The 24C02 at 0xA0 drops the first block (a repeated start came before the
    // stop); the 24C256 at 0xA8 programs the second at the stop.
    const Bytes second = hex("00 10 77");
    const uint8_t first = 0x00;
    EXPECT_EQ(tb.I2CWriteRepWrite(0xA0, 1, &first, 0xA8, 3, second.data()), 0);
    uint8_t byte = 0;
    EXPECT_EQ(tb.I2CReadArrayDB(0xA8, 0x00, 0x10, 1, &byte), 0);
    EXPECT_EQ(byte, 0x77);
}

TEST_F(AdapterModel, AbsentDeviceAnswersWithTheAdaptersStatus) {
    uint8_t byte = 0;
    EXPECT_EQ(tb.I2CWriteByte(0x50, 0x00, 0x00), 1);  // address not acknowledged
    EXPECT_EQ(tb.I2CReadByte(0x50, 0x00, &byte), 1);
    EXPECT_EQ(byte, 0xFF);
}

}  // namespace
}  // namespace tbtest
