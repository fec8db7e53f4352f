// Every export of libtessbridge with null buffers, zero, its limit, one past
// it, negative and huge values. Each case checks the result the header
// documents, whether anything went to the adapter, whether the limit message
// was shown, and that no byte outside the caller's buffers changed (and no
// input buffer byte at all).
#include <algorithm>
#include <climits>
#include <memory>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "guarded_buffer.hpp"
#include "tessbridge_fixture.hpp"
#include "zero_adapter.hpp"

namespace tbtest {
namespace {


enum class Sent { Nothing, Something };
enum class Message { None, Shown, Any };

constexpr uint8_t kFill = 0xEE;       // the buffers a call may write
constexpr uint8_t kInputFill = 0x5A;  // the buffers a call only reads

// Buffers every case may use: big enough for the longest transfer, guarded (a
// write past the end faults, one before the start shows in leadIntact()).
struct Buffers {
    static constexpr std::size_t kOut = 65536, kIn = 1024, kSerials = 10 * sizeof(int32_t);
    GuardedBuffer out{kOut};
    GuardedBuffer in{kIn};
    GuardedBuffer serials{kSerials};
    Buffers() {
        out.place(kOut, kFill);
        in.place(kIn, kInputFill);
        serials.place(kSerials, kFill);
    }
};

struct BadInputCase {
    std::string name;
    std::function<long(const TessbridgeApi &, Buffers &)> call;
    long expected;
    Sent sent;
    Message message = Message::None;
};

constexpr long kAnyResult = LONG_MIN;

// The result of a call that was sent to the zero-answering adapter.
constexpr long kOk = 0;
constexpr uint8_t kRefused = 10;

std::vector<BadInputCase> cases() {
    using B = Buffers;
    using T = const TessbridgeApi &;
    return {
        // ---- no buffer where bytes must move: 10, nothing sent, no message
        {"I2CReceiveByte_null", [](T tb, B &) { return tb.I2CReceiveByte(0xA0, nullptr); },
         kRefused, Sent::Nothing},
        {"I2CReadByte_null", [](T tb, B &) { return tb.I2CReadByte(0xA0, 1, nullptr); },
         kRefused, Sent::Nothing},
        {"I2CReadArray_null", [](T tb, B &) { return tb.I2CReadArray(0xA0, 0, 4, nullptr); },
         kRefused, Sent::Nothing},
        {"I2CReadArrayDB_null",
         [](T tb, B &) { return tb.I2CReadArrayDB(0xA0, 0, 0, 4, nullptr); }, kRefused,
         Sent::Nothing},
        {"I2C10ReadArray_null",
         [](T tb, B &) { return tb.I2C10ReadArray(0x150, 0, 4, nullptr); }, kRefused,
         Sent::Nothing},
        {"I2CRead_null", [](T tb, B &) { return tb.I2CRead(0xA0, 4, nullptr, 1); }, kRefused,
         Sent::Nothing},
        {"I2CWrite_null", [](T tb, B &) { return tb.I2CWrite(0xA0, 4, nullptr, 1); }, kRefused,
         Sent::Nothing},
        {"I2CWriteArray_null", [](T tb, B &) { return tb.I2CWriteArray(0xA0, 0, 4, nullptr); },
         kRefused, Sent::Nothing},
        {"I2CWriteArrayDB_null",
         [](T tb, B &) { return tb.I2CWriteArrayDB(0xA0, 0, 0, 4, nullptr); }, kRefused,
         Sent::Nothing},
        {"I2C10WriteArray_null",
         [](T tb, B &) { return tb.I2C10WriteArray(0x150, 0, 4, nullptr); }, kRefused,
         Sent::Nothing},
        {"I2CWriteRepWrite_null_first",
         [](T tb, B &b) { return tb.I2CWriteRepWrite(0xA0, 2, nullptr, 0xA2, 2, b.in.data()); },
         kRefused, Sent::Nothing},
        {"I2CWriteRepWrite_null_second",
         [](T tb, B &b) { return tb.I2CWriteRepWrite(0xA0, 2, b.in.data(), 0xA2, 2, nullptr); },
         kRefused, Sent::Nothing},
        {"SPI_Generic_null_write",
         [](T tb, B &b) { return tb.SPI_Generic(4, nullptr, b.out.data()); }, kRefused,
         Sent::Nothing},
        {"SPI_Generic_null_read",
         [](T tb, B &b) { return tb.SPI_Generic(4, b.in.data(), nullptr); }, kRefused,
         Sent::Nothing},
        {"SPI_Write_null", [](T tb, B &) { return tb.SPI_Write(4, nullptr); }, kRefused,
         Sent::Nothing},
        {"SPI_WriteWithOC_null", [](T tb, B &) { return tb.SPI_WriteWithOC(4, nullptr); },
         kRefused, Sent::Nothing},
        {"SPI_WriteRead_null_write",
         [](T tb, B &b) { return tb.SPI_WriteRead(4, 4, nullptr, b.out.data()); }, kRefused,
         Sent::Nothing},
        {"SPI_WriteRead_null_read",
         [](T tb, B &b) { return tb.SPI_WriteRead(4, 4, b.in.data(), nullptr); }, kRefused,
         Sent::Nothing},
        {"GetHardwareInfo_null", [](T tb, B &) { return tb.GetHardwareInfo(nullptr); }, 255,
         Sent::Nothing},
        {"GetSerialNumbers_null", [](T tb, B &) { return tb.GetSerialNumbers(nullptr); }, 0,
         Sent::Nothing},

        // ---- a count of 0: the null buffer is never touched
        {"I2CRead_zero_null", [](T tb, B &) { return tb.I2CRead(0xA0, 0, nullptr, 1); }, 0,
         Sent::Nothing},
        {"I2CWrite_zero_null", [](T tb, B &) { return tb.I2CWrite(0xA0, 0, nullptr, 1); }, 0,
         Sent::Nothing},
        {"I2CReadArray_zero_null",
         [](T tb, B &) { return tb.I2CReadArray(0xA0, 0, 0, nullptr); }, kOk, Sent::Something},
        {"I2CWriteArray_zero_null",
         [](T tb, B &) { return tb.I2CWriteArray(0xA0, 0, 0, nullptr); }, kOk, Sent::Something},
        {"I2C10ReadArray_zero_null",
         [](T tb, B &) { return tb.I2C10ReadArray(0x150, 0, 0, nullptr); }, kOk,
         Sent::Something},
        {"SPI_Generic_zero_null", [](T tb, B &) { return tb.SPI_Generic(0, nullptr, nullptr); },
         1, Sent::Something},

        // ---- the limit goes out; one past it and huge counts: 10 and the message
        {"I2CReadArray_256",
         [](T tb, B &b) { return tb.I2CReadArray(0xA0, 0, 256, b.out.data()); }, kOk,
         Sent::Something},
        {"I2CReadArray_257",
         [](T tb, B &b) { return tb.I2CReadArray(0xA0, 0, 257, b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2CReadArray_65535",
         [](T tb, B &b) { return tb.I2CReadArray(0xA0, 0, 65535, b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2CReadArrayDB_256",
         [](T tb, B &b) { return tb.I2CReadArrayDB(0xA0, 0, 0, 256, b.out.data()); }, kOk,
         Sent::Something},
        {"I2CReadArrayDB_257",
         [](T tb, B &b) { return tb.I2CReadArrayDB(0xA0, 0, 0, 257, b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10ReadArray_256",
         [](T tb, B &b) { return tb.I2C10ReadArray(0x150, 0, 256, b.out.data()); }, kOk,
         Sent::Something},
        {"I2C10ReadArray_257",
         [](T tb, B &b) { return tb.I2C10ReadArray(0x150, 0, 257, b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10ReadArray_minus1",
         [](T tb, B &b) { return tb.I2C10ReadArray(0x150, 0, -1, b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10ReadArray_INT_MIN",
         [](T tb, B &b) { return tb.I2C10ReadArray(0x150, 0, INT32_MIN, b.out.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2C10ReadArray_INT_MAX",
         [](T tb, B &b) { return tb.I2C10ReadArray(0x150, 0, INT32_MAX, b.out.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2CRead_65535", [](T tb, B &b) { return tb.I2CRead(0xA0, 65535, b.out.data(), 1); },
         kOk, Sent::Something},
        {"I2CWrite_500", [](T tb, B &b) { return tb.I2CWrite(0xA0, 500, b.in.data(), 1); }, kOk,
         Sent::Something},
        {"I2CWrite_501", [](T tb, B &b) { return tb.I2CWrite(0xA0, 501, b.in.data(), 1); },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2CWrite_65535", [](T tb, B &b) { return tb.I2CWrite(0xA0, 65535, b.in.data(), 1); },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2CWriteArray_500",
         [](T tb, B &b) { return tb.I2CWriteArray(0xA0, 0, 500, b.in.data()); }, kOk,
         Sent::Something},
        {"I2CWriteArray_501",
         [](T tb, B &b) { return tb.I2CWriteArray(0xA0, 0, 501, b.in.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2CWriteArrayDB_256",
         [](T tb, B &b) { return tb.I2CWriteArrayDB(0xA0, 0, 0, 256, b.in.data()); }, kOk,
         Sent::Something},
        {"I2CWriteArrayDB_257",
         [](T tb, B &b) { return tb.I2CWriteArrayDB(0xA0, 0, 0, 257, b.in.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10WriteArray_256",
         [](T tb, B &b) { return tb.I2C10WriteArray(0x150, 0, 256, b.in.data()); }, kOk,
         Sent::Something},
        {"I2C10WriteArray_257",
         [](T tb, B &b) { return tb.I2C10WriteArray(0x150, 0, 257, b.in.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10WriteArray_minus1",
         [](T tb, B &b) { return tb.I2C10WriteArray(0x150, 0, -1, b.in.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"I2C10WriteArray_INT_MIN",
         [](T tb, B &b) { return tb.I2C10WriteArray(0x150, 0, INT32_MIN, b.in.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2CWriteRepWrite_500_in_all",
         [](T tb, B &b) {
             return tb.I2CWriteRepWrite(0xA0, 250, b.in.data(), 0xA2, 250, b.in.data());
         },
         kOk, Sent::Something},
        {"I2CWriteRepWrite_501_in_all",
         [](T tb, B &b) {
             return tb.I2CWriteRepWrite(0xA0, 250, b.in.data(), 0xA2, 251, b.in.data());
         },
         kRefused, Sent::Nothing, Message::Shown},
        {"I2CWriteRepWrite_65535_twice",
         [](T tb, B &b) {
             return tb.I2CWriteRepWrite(0xA0, 65535, b.in.data(), 0xA2, 65535, b.in.data());
         },
         kRefused, Sent::Nothing, Message::Shown},
        {"SPI_Generic_500",
         [](T tb, B &b) { return tb.SPI_Generic(500, b.in.data(), b.out.data()); }, kOk,
         Sent::Something},
        {"SPI_Generic_501",
         [](T tb, B &b) { return tb.SPI_Generic(501, b.in.data(), b.out.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"SPI_Write_500", [](T tb, B &b) { return tb.SPI_Write(500, b.in.data()); }, 1,
         Sent::Something},
        {"SPI_Write_501", [](T tb, B &b) { return tb.SPI_Write(501, b.in.data()); }, kRefused,
         Sent::Nothing, Message::Shown},
        {"SPI_WriteWithOC_500", [](T tb, B &b) { return tb.SPI_WriteWithOC(500, b.in.data()); },
         kOk, Sent::Something},
        {"SPI_WriteWithOC_501", [](T tb, B &b) { return tb.SPI_WriteWithOC(501, b.in.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"SPI_WriteRead_500_500",
         [](T tb, B &b) { return tb.SPI_WriteRead(500, 500, b.in.data(), b.out.data()); }, kOk,
         Sent::Something},
        {"SPI_WriteRead_501_write",
         [](T tb, B &b) { return tb.SPI_WriteRead(501, 4, b.in.data(), b.out.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"SPI_WriteRead_501_read",
         [](T tb, B &b) { return tb.SPI_WriteRead(4, 501, b.in.data(), b.out.data()); },
         kRefused, Sent::Nothing, Message::Shown},
        {"SPI_WriteRead_65535_both",
         [](T tb, B &b) { return tb.SPI_WriteRead(65535, 65535, b.in.data(), b.out.data()); },
         kRefused, Sent::Nothing, Message::Shown},

        // ---- scalars: any value is taken, and goes out
        {"SelectBySerialNumber_INT_MIN",
         [](T tb, B &) { return tb.SelectBySerialNumber(INT32_MIN); }, 0, Sent::Nothing},
        {"SelectBySerialNumber_INT_MAX",
         [](T tb, B &) { return tb.SelectBySerialNumber(INT32_MAX); }, 0, Sent::Nothing},
        {"SelectBySerialNumber_minus1", [](T tb, B &) { return tb.SelectBySerialNumber(-1); }, 0,
         Sent::Nothing},
        {"SelectBySerialNumber_0", [](T tb, B &) { return tb.SelectBySerialNumber(0); }, 0,
         Sent::Nothing},
        {"GetSerialNumbers_writes_only_the_attached",
         [](T tb, B &b) {
             const int32_t n = tb.GetSerialNumbers(reinterpret_cast<int32_t *>(b.serials.data()));
             const bool rest_untouched = std::all_of(
                 b.serials.data() + sizeof(int32_t), b.serials.data() + 10 * sizeof(int32_t),
                 [](uint8_t v) { return v == kFill; });
             return rest_untouched ? n : -100;
         },
         1, Sent::Nothing},
        {"Enable3VOutputPower_INT_MIN",
         [](T tb, B &) { return tb.Enable3VOutputPower(INT32_MIN); }, -1, Sent::Something},
        {"Enable5VOutputPower_INT_MAX",
         [](T tb, B &) { return tb.Enable5VOutputPower(INT32_MAX); }, -1, Sent::Something},
        {"Write_IO_INT_MIN", [](T tb, B &) { return tb.Write_IO(INT32_MIN); }, 1,
         Sent::Something},
        {"GPIO_I2C_Write_minus1", [](T tb, B &) { return tb.GPIO_I2C_Write(-1); }, 1,
         Sent::Something},
        {"GPIO_SPI_Write_INT_MAX", [](T tb, B &) { return tb.GPIO_SPI_Write(INT32_MAX); }, 1,
         Sent::Something},
        {"SPI_Configure_UINT_MAX", [](T tb, B &) { return tb.SPI_Configure(UINT32_MAX); }, 0,
         Sent::Something},
        {"SPI_SetFrequency_UINT_MAX", [](T tb, B &) { return tb.SPI_SetFrequency(UINT32_MAX); },
         4000, Sent::Something},
        {"SPI_SetFrequency_4000", [](T tb, B &) { return tb.SPI_SetFrequency(4000); }, 4000,
         Sent::Something},
        {"SPI_SetFrequency_3999", [](T tb, B &) { return tb.SPI_SetFrequency(3999); }, 1000,
         Sent::Something},
        {"SPI_SetFrequency_125", [](T tb, B &) { return tb.SPI_SetFrequency(125); }, 125,
         Sent::Something},
        {"SetI2CFrequency_negative_is_the_slowest",
         [](T tb, B &) { return tb.SetI2CFrequency(-5) == tb.SetI2CFrequency(15) ? 1 : 0; }, 1,
         Sent::Something},
        {"SetI2CFrequency_INT_MIN_is_the_slowest",
         [](T tb, B &) {
             return tb.SetI2CFrequency(INT32_MIN) == tb.SetI2CFrequency(0) ? 1 : 0;
         },
         1, Sent::Something},
        {"SetI2CFrequency_INT_MAX_is_the_fastest",
         [](T tb, B &) {
             return tb.SetI2CFrequency(INT32_MAX) == tb.SetI2CFrequency(1001) ? 1 : 0;
         },
         1, Sent::Something},
        {"I2CWriteByte_all_ones", [](T tb, B &) { return tb.I2CWriteByte(0xFF, 0xFF, 0xFF); },
         kOk, Sent::Something},
        {"I2CSendByte_all_zeros", [](T tb, B &) { return tb.I2CSendByte(0, 0); }, kOk,
         Sent::Something},
        // A null presenter restores the platform's own: the message of the
        // over-limit call goes to standard error, not to the test's recorder.
        {"SetMessagePresenter_null",
         [](T tb, B &b) {
             tb.SetMessagePresenter(nullptr, nullptr);
             return tb.I2CWrite(0xA0, 501, b.in.data(), 1);
         },
         kRefused, Sent::Nothing, Message::None},
        {"Get_DLL_Version", [](T tb, B &) { return tb.Get_DLL_Version(); }, 0x1811,
         Sent::Nothing},
        {"GetNumberOfDevices", [](T tb, B &) { return tb.GetNumberOfDevices(); }, 1,
         Sent::Nothing},
    };
}

class TessbridgeBadInput : public TessbridgeTest,
                           public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(TessbridgeBadInput, GivesTheDocumentedResultAndTouchesNothingElse) {
    const BadInputCase &c = GetParam();
    plug("1234", &zero_adapter_model());
    load();
    auto buffers = std::make_unique<Buffers>();
    forget();

    const long result = c.call(tb, *buffers);

    if (c.expected != kAnyResult) {
        EXPECT_EQ(result, c.expected);
    }
    if (c.sent == Sent::Nothing) {
        EXPECT_EQ(transfers().size(), 0U) << "something went to the adapter";
    } else {
        EXPECT_FALSE(sent_packets().empty()) << "nothing went to the adapter";
    }
    if (c.message == Message::Shown) {
        EXPECT_EQ(messages.size(), 1U);
    } else if (c.message == Message::None) {
        EXPECT_TRUE(messages.empty()) << messages.front();
    }
    EXPECT_TRUE(buffers->out.leadIntact());
    EXPECT_TRUE(buffers->in.leadIntact());
    EXPECT_TRUE(buffers->serials.leadIntact());
    EXPECT_TRUE(buffers->in.untouched(kInputFill)) << "an input buffer was written";
    if (c.expected == kRefused && c.sent == Sent::Nothing) {
        EXPECT_TRUE(buffers->out.untouched(kFill)) << "a refused call wrote the caller's buffer";
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, TessbridgeBadInput, ::testing::ValuesIn(cases()), CaseName{});

}  // namespace
}  // namespace tbtest
