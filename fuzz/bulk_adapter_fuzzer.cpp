// Fuzzer: libtessbridge against a hostile bulk adapter. The input is a
// sequence of export calls with their arguments, interleaved with everything
// the adapter answers (see hostile_bulk_adapter.hpp). Every caller buffer is a
// GuardedBuffer of exactly the size the header asks for. Besides crashes and
// sanitizer reports, a finding is any documented promise broken:
//   - an over-limit count, a negative count, or a null buffer where bytes must
//     move gives 10 and sends nothing;
//   - a register read whose packet or reply did not get through whole returns
//     255 and leaves the buffer untouched;
//   - GetHardwareInfo returns 0 or 255, and 255 zeroes the record;
//   - input buffers are never written, and no byte before a buffer changes.
#include <wdapi801_sim.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "finding.hpp"
#include "guarded_buffer.hpp"
#include "hostile_bulk_adapter.hpp"
#include "tessbridge_loader.hpp"

namespace {

using tbfuzz::fail;
using tbtest::GuardedBuffer;

constexpr std::uint8_t kFill = 0xEE;
constexpr std::size_t kMaxCallsPerInput = 32;
constexpr std::size_t kCapacity = 65536;

struct Run {
    FuzzedDataProvider &in;
    const tbtest::TessbridgeApi &tb;
    GuardedBuffer &out;    // buffer the library writes
    GuardedBuffer &data;   // buffer the library only reads
    std::vector<std::uint8_t> dataCopy;

    // A count around a limit: 0, 1, the limit, one past it, anything in range,
    // or anything at all.
    template <typename T>
    T count(T limit) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0: return 0;
            case 1: return 1;
            case 2: return limit;
            case 3: return static_cast<T>(limit + 1);
            case 4: return in.ConsumeIntegralInRange<T>(0, limit);
            default: return in.ConsumeIntegral<T>();
        }
    }

    bool wantNull() { return in.ConsumeIntegralInRange<int>(0, 15) == 0; }

    // Output buffer of `size` bytes (capped at the capacity), or null.
    std::uint8_t *outBuffer(std::size_t size) {
        if (wantNull()) {
            out.place(0, kFill);
            return nullptr;
        }
        return out.place(std::min(size, kCapacity), kFill);
    }

    // Input buffer of `size` bytes with fuzzer-chosen contents, or null.
    const std::uint8_t *dataBuffer(std::size_t size) {
        if (wantNull()) {
            data.place(0, 0);
            dataCopy.clear();
            return nullptr;
        }
        dataCopy = in.ConsumeBytes<std::uint8_t>(std::min(size, kCapacity));
        dataCopy.resize(std::min(size, kCapacity), 0x5A);
        return data.place(dataCopy);
    }
};

uint32_t logged() { return wdsim_log_count(); }

void expectRefused(unsigned result, uint32_t before, const char *what) {
    if (result != 10) {
        fail(what);
    }
    if (logged() != before) {
        fail("a refused call made a transfer");
    }
}

// A register read of `count` bytes with limit `limit`.
template <typename Call>
void registerRead(Run &r, int64_t count, int64_t limit, Call call) {
    std::uint8_t *buffer = r.outBuffer(count < 0 ? 0 : static_cast<std::size_t>(count));
    const uint32_t before = logged();
    tbfuzz::bulkTally() = {};
    const unsigned result = call(buffer);
    if (count < 0 || count > limit) {
        expectRefused(result, before, "an out-of-range read count was not refused with 10");
        if (buffer != nullptr && !r.out.untouched(kFill)) fail("a refused read wrote the buffer");
    } else if (buffer == nullptr && count > 0) {
        expectRefused(result, before, "a read into a null buffer was not refused with 10");
    } else if (buffer != nullptr && tbfuzz::bulkTally().short_transfers != 0) {
        if (result != 255) fail("a read that did not get through did not return 255");
        if (!r.out.untouched(kFill)) fail("a read that did not get through wrote the buffer");
    }
}

// A write or transfer whose data count is limited to `limit`.
void checkLimit(unsigned result, uint32_t before, int64_t count, int64_t limit, bool nullData) {
    if (count < 0 || count > limit) {
        expectRefused(result, before, "an out-of-range count was not refused with 10");
    } else if (nullData && count > 0) {
        expectRefused(result, before, "a null buffer with a count was not refused with 10");
    }
}

using Op = std::function<void(Run &)>;

const std::vector<Op> &operations() {
    static const std::vector<Op> ops = {
        [](Run &r) { r.tb.GetNumberOfDevices(); },
        [](Run &r) { r.tb.SelectBySerialNumber(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) {
            auto *serials = reinterpret_cast<int32_t *>(r.outBuffer(10 * sizeof(int32_t)));
            const int32_t n = r.tb.GetSerialNumbers(serials);
            if (n < 0 || n > 10) fail("GetSerialNumbers returned more than 10");
        },
        [](Run &r) {
            std::uint8_t *record = r.outBuffer(3);
            const int32_t result = r.tb.GetHardwareInfo(record);
            if (result != 0 && result != 255) fail("GetHardwareInfo returned neither 0 nor 255");
            if (result == 255 && record != nullptr && !r.out.untouched(0))
                fail("GetHardwareInfo failed without zeroing the record");
        },
        [](Run &r) { r.tb.GetFirmwareRevision(); },
        [](Run &r) { r.tb.Enable3VOutputPower(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) { r.tb.Enable5VOutputPower(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) { r.tb.Write_IO(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) {
            const int32_t v = r.tb.Read_IO();
            if (v < -1 || v > 255) fail("Read_IO out of range");
        },
        [](Run &r) { r.tb.Enable_I2C(); },
        [](Run &r) { r.tb.Disable_I2C(); },
        [](Run &r) { r.tb.Enable_SPI(); },
        [](Run &r) { r.tb.Disable_SPI(); },
        [](Run &r) { r.tb.GPIO_I2C_Write(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) { r.tb.GPIO_SPI_Write(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) { r.tb.GPIO_I2C_Read(); },
        [](Run &r) { r.tb.GPIO_SPI_Read(); },
        [](Run &r) { r.tb.SetI2CFrequency(r.in.ConsumeIntegral<int32_t>()); },
        [](Run &r) { r.tb.GetI2CFrequency(); },
        [](Run &r) {
            r.tb.I2CWriteByte(r.in.ConsumeIntegral<uint8_t>(), r.in.ConsumeIntegral<uint8_t>(),
                              r.in.ConsumeIntegral<uint8_t>());
        },
        [](Run &r) {
            r.tb.I2CSendByte(r.in.ConsumeIntegral<uint8_t>(), r.in.ConsumeIntegral<uint8_t>());
        },
        [](Run &r) {
            std::uint8_t *byte = r.outBuffer(1);
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CReceiveByte(r.in.ConsumeIntegral<uint8_t>(), byte);
            if (byte == nullptr) expectRefused(result, before, "null byte pointer not refused");
        },
        [](Run &r) {
            std::uint8_t *byte = r.outBuffer(1);
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CReadByte(r.in.ConsumeIntegral<uint8_t>(),
                                                     r.in.ConsumeIntegral<uint8_t>(), byte);
            if (byte == nullptr) expectRefused(result, before, "null byte pointer not refused");
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(256);
            const auto address = r.in.ConsumeIntegral<uint8_t>();
            const auto reg = r.in.ConsumeIntegral<uint8_t>();
            registerRead(r, count, 256, [&](std::uint8_t *buffer) {
                return r.tb.I2CReadArray(address, reg, count, buffer);
            });
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(256);
            const auto address = r.in.ConsumeIntegral<uint8_t>();
            const auto high = r.in.ConsumeIntegral<uint8_t>();
            const auto low = r.in.ConsumeIntegral<uint8_t>();
            registerRead(r, count, 256, [&](std::uint8_t *buffer) {
                return r.tb.I2CReadArrayDB(address, high, low, count, buffer);
            });
        },
        [](Run &r) {
            const auto count = r.in.ConsumeBool() ? r.count<int32_t>(256)
                                                  : -r.in.ConsumeIntegral<uint8_t>() - 1;
            const auto address = r.in.ConsumeIntegral<uint16_t>();
            const auto reg = r.in.ConsumeIntegral<uint8_t>();
            registerRead(r, count, 256, [&](std::uint8_t *buffer) {
                return r.tb.I2C10ReadArray(address, reg, count, buffer);
            });
        },
        [](Run &r) {
            // The plain read has no upper limit; keep most runs short.
            const auto count = r.in.ConsumeBool() ? r.count<uint16_t>(1000)
                                                  : r.in.ConsumeIntegral<uint16_t>();
            std::uint8_t *buffer = r.outBuffer(count);
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CRead(r.in.ConsumeIntegral<uint8_t>(), count, buffer,
                                                 r.in.ConsumeIntegral<int32_t>());
            if (count == 0 && (result != 0 || logged() != before))
                fail("I2CRead of 0 bytes did not return 0 without a transfer");
            if (count > 0 && buffer == nullptr)
                expectRefused(result, before, "I2CRead into null not refused");
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(count);
            const uint32_t before = logged();
            const unsigned result =
                r.tb.I2CWrite(r.in.ConsumeIntegral<uint8_t>(), count, d,
                              r.in.ConsumeIntegral<int32_t>());
            if (count == 0 && (result != 0 || logged() != before))
                fail("I2CWrite of 0 bytes did not return 0 without a transfer");
            checkLimit(result, before, count, 500, d == nullptr);
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(count);
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CWriteArray(r.in.ConsumeIntegral<uint8_t>(),
                                                       r.in.ConsumeIntegral<uint8_t>(), count, d);
            checkLimit(result, before, count, 500, d == nullptr);
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(256);
            const std::uint8_t *d = r.dataBuffer(count);
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CWriteArrayDB(
                r.in.ConsumeIntegral<uint8_t>(), r.in.ConsumeIntegral<uint8_t>(),
                r.in.ConsumeIntegral<uint8_t>(), count, d);
            checkLimit(result, before, count, 256, d == nullptr);
        },
        [](Run &r) {
            const auto count = r.in.ConsumeBool() ? r.count<int32_t>(256)
                                                  : -r.in.ConsumeIntegral<uint8_t>() - 1;
            const std::uint8_t *d = r.dataBuffer(count < 0 ? 0 : static_cast<std::size_t>(count));
            const uint32_t before = logged();
            const unsigned result = r.tb.I2C10WriteArray(r.in.ConsumeIntegral<uint16_t>(),
                                                         r.in.ConsumeIntegral<uint8_t>(), count, d);
            checkLimit(result, before, count, 256, d == nullptr);
        },
        [](Run &r) {
            // Both parts come from one input buffer, back to back.
            const auto first = r.count<uint16_t>(500);
            const auto second = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(std::size_t{first} + second);
            const std::uint8_t *secondData = d == nullptr ? nullptr : d + first;
            const uint32_t before = logged();
            const unsigned result = r.tb.I2CWriteRepWrite(
                r.in.ConsumeIntegral<uint8_t>(), first, d, r.in.ConsumeIntegral<uint8_t>(),
                second, secondData);
            if (first + second > 500) {
                expectRefused(result, before, "I2CWriteRepWrite over 500 bytes not refused");
            }
        },
        [](Run &r) { r.tb.SPI_Configure(r.in.ConsumeIntegral<uint32_t>()); },
        [](Run &r) { r.tb.SPI_SetFrequency(r.in.ConsumeIntegral<uint32_t>()); },
        [](Run &r) {
            const auto count = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(count);
            std::uint8_t *back = r.outBuffer(count);
            const uint32_t before = logged();
            tbfuzz::bulkTally() = {};
            const unsigned result = r.tb.SPI_Generic(count, d, back);
            checkLimit(result, before, count, 500, d == nullptr || back == nullptr);
            if (back != nullptr && d != nullptr && count > 0 && count <= 500 &&
                tbfuzz::bulkTally().short_transfers != 0 &&
                (result != 255 || !r.out.untouched(kFill)))
                fail("SPI_Generic did not get through but did not return 255, or wrote");
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(count);
            const uint32_t before = logged();
            checkLimit(r.tb.SPI_Write(count, d), before, count, 500, d == nullptr);
        },
        [](Run &r) {
            const auto count = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(count);
            const uint32_t before = logged();
            checkLimit(r.tb.SPI_WriteWithOC(count, d), before, count, 500, d == nullptr);
        },
        [](Run &r) {
            const auto writeCount = r.count<uint16_t>(500);
            const auto readCount = r.count<uint16_t>(500);
            const std::uint8_t *d = r.dataBuffer(writeCount);
            std::uint8_t *back = r.outBuffer(readCount);
            const uint32_t before = logged();
            tbfuzz::bulkTally() = {};
            const unsigned result = r.tb.SPI_WriteRead(writeCount, readCount, d, back);
            if (writeCount > 500 || readCount > 500) {
                expectRefused(result, before, "SPI_WriteRead over 500 bytes not refused");
            } else if ((d == nullptr && writeCount > 0) || (back == nullptr && readCount > 0)) {
                expectRefused(result, before, "SPI_WriteRead with a null buffer not refused");
            }
            if (back != nullptr && readCount > 0 && tbfuzz::bulkTally().short_transfers != 0 &&
                (result != 255 || !r.out.untouched(kFill)))
                fail("SPI_WriteRead did not get through but did not return 255, or wrote");
        },
    };
    return ops;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    wdsim_reset();
    const wdsim_adapter adapter{0x04CC, 0xF297, 0, "1234", &tbfuzz::hostileBulkModel()};
    if (wdsim_plug(&adapter) == 0) {
        fail("could not plug the adapter");
    }
    tbfuzz::loadTessbridge();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    static GuardedBuffer out(kCapacity);
    static GuardedBuffer data(kCapacity);
    FuzzedDataProvider in(bytes, size);
    Run run{in, tbfuzz::loadTessbridge(), out, data, {}};
    data.place(0, 0);
    wdsim_log_clear();
    tbfuzz::setBulkScript(&in);
    const auto &ops = operations();
    for (std::size_t call = 0; call < kMaxCallsPerInput && in.remaining_bytes() > 0; ++call) {
        ops[in.ConsumeIntegralInRange<std::size_t>(0, ops.size() - 1)](run);
        if (!out.leadIntact() || !data.leadIntact()) fail("a byte before a buffer changed");
        if (data.size() != run.dataCopy.size() ||
            !std::equal(run.dataCopy.begin(), run.dataCopy.end(), data.data()))
            fail("an input buffer was written");
    }
    tbfuzz::setBulkScript(nullptr);
    return 0;
}
