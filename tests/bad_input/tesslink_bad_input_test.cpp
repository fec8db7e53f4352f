// Every MPU export of Tesslink with null buffers, zero, its limit, one past
// it, and values whose low 16 bits differ from the whole, against the
// simulated adapter behind the fake transport. Each case checks the result
// tesslink.h documents, whether a report went out, and that no byte outside
// the caller's buffers changed (and no input buffer byte at all).
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_transport.hpp"
#include "guarded_buffer.hpp"
#include "tesslink.h"

namespace {

using tbtest::GuardedBuffer;
using tesslink::testing::FakeTransport;

constexpr unsigned char kMemory = 0xA0;  // the board's register memory answers here
constexpr long kBadLength = TESSLINK_STATUS_BAD_LENGTH;
constexpr long kAnyResult = LONG_MIN;

enum class Sent { Nothing, Something };

constexpr unsigned char kFill = 0xEE;       // the buffer a call may write
constexpr unsigned char kInputFill = 0x5A;  // the buffer a call only reads

// Guarded: a write past the end faults, one before the start shows in leadIntact().
struct Buffers {
    static constexpr std::size_t kSize = 512;
    GuardedBuffer out{kSize};
    GuardedBuffer in{kSize};
    Buffers() {
        out.place(kSize, kFill);
        in.place(kSize, kInputFill);
    }
};

struct BadInputCase {
    std::string name;
    std::function<long(Buffers &)> call;
    long expected;
    Sent sent;
    std::size_t outputLength = 65;  // the adapter's declared output report, ID byte included
};

std::vector<BadInputCase> cases() {
    using B = Buffers;
    return {
        // ---- lengths of the single transfers: 1 to 60, and the output report
        {"MPUI2CRead_0", [](B &b) { return MPUI2CRead(kMemory, 0, b.out.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CRead_1", [](B &b) { return MPUI2CRead(kMemory, 1, b.out.data(), 0); }, 0,
         Sent::Something},
        {"MPUI2CRead_60", [](B &b) { return MPUI2CRead(kMemory, 60, b.out.data(), 0); }, 0,
         Sent::Something},
        {"MPUI2CRead_61", [](B &b) { return MPUI2CRead(kMemory, 61, b.out.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CRead_65536_acts_as_0",
         [](B &b) { return MPUI2CRead(kMemory, 65536, b.out.data(), 0); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CRead_65541_acts_as_5",
         [](B &b) { return MPUI2CRead(kMemory, 65536 + 5, b.out.data(), 0); }, 0,
         Sent::Something},
        {"MPUI2CRead_UINT_MAX", [](B &b) { return MPUI2CRead(kMemory, UINT_MAX, b.out.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CRead_null", [](B &) { return MPUI2CRead(kMemory, 4, nullptr, 0); }, kAnyResult,
         Sent::Nothing},
        {"MPUI2CWrite_0", [](B &b) { return MPUI2CWrite(kMemory, 0, b.in.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CWrite_58", [](B &b) { return MPUI2CWrite(kMemory, 58, b.in.data(), 0); }, 0,
         Sent::Something},
        // 65-byte output reports (64 bytes after the report ID) hold six header
        // bytes and 59 data bytes.
        {"MPUI2CWrite_59_fills_a_65_byte_report",
         [](B &b) { return MPUI2CWrite(kMemory, 59, b.in.data(), 0); }, 0, Sent::Something},
        {"MPUI2CWrite_59_is_over_a_64_byte_report",
         [](B &b) { return MPUI2CWrite(kMemory, 59, b.in.data(), 0); }, kBadLength, Sent::Nothing,
         64},
        {"MPUI2CWrite_60", [](B &b) { return MPUI2CWrite(kMemory, 60, b.in.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CWrite_61", [](B &b) { return MPUI2CWrite(kMemory, 61, b.in.data(), 0); },
         kBadLength, Sent::Nothing},
        {"MPUI2CWrite_UINT_MAX",
         [](B &b) { return MPUI2CWrite(kMemory, UINT_MAX, b.in.data(), 0); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CWrite_null", [](B &) { return MPUI2CWrite(kMemory, 4, nullptr, 0); }, kAnyResult,
         Sent::Nothing},
        {"MPUI2CWrite_fits_a_short_output_report",
         [](B &b) { return MPUI2CWrite(kMemory, 27, b.in.data(), 0); }, 0, Sent::Something, 33},
        {"MPUI2CWrite_longer_than_a_short_output_report",
         [](B &b) { return MPUI2CWrite(kMemory, 28, b.in.data(), 0); }, kBadLength,
         Sent::Nothing, 33},

        // ---- block transfers: 1 to 256
        {"MPUI2CReadArray_0", [](B &b) { return MPUI2CReadArray(kMemory, 0, 0, b.out.data()); },
         kBadLength, Sent::Nothing},
        {"MPUI2CReadArray_256",
         [](B &b) { return MPUI2CReadArray(kMemory, 0, 256, b.out.data()); }, 0,
         Sent::Something},
        {"MPUI2CReadArray_257",
         [](B &b) { return MPUI2CReadArray(kMemory, 0, 257, b.out.data()); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CReadArray_65792_acts_as_256",
         [](B &b) { return MPUI2CReadArray(kMemory, 0, 65536 + 256, b.out.data()); }, 0,
         Sent::Something},
        {"MPUI2CReadArray_UINT_MAX",
         [](B &b) { return MPUI2CReadArray(kMemory, 0, UINT_MAX, b.out.data()); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CReadArray_null", [](B &) { return MPUI2CReadArray(kMemory, 0, 4, nullptr); },
         kAnyResult, Sent::Nothing},
        {"MPUI2CWriteArray_0",
         [](B &b) { return MPUI2CWriteArray(kMemory, 0, 0, b.in.data()); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CWriteArray_256",
         [](B &b) { return MPUI2CWriteArray(kMemory, 0, 256, b.in.data()); }, 0,
         Sent::Something},
        {"MPUI2CWriteArray_257",
         [](B &b) { return MPUI2CWriteArray(kMemory, 0, 257, b.in.data()); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CWriteArray_UINT_MAX",
         [](B &b) { return MPUI2CWriteArray(kMemory, 0, UINT_MAX, b.in.data()); }, kBadLength,
         Sent::Nothing},
        {"MPUI2CWriteArray_null", [](B &) { return MPUI2CWriteArray(kMemory, 0, 4, nullptr); },
         kAnyResult, Sent::Nothing},

        // ---- scalars: only the low 16 bits of the clock value count
        {"MPUSetI2CFrequency_65636_acts_as_100",
         [](B &) { return MPUSetI2CFrequency(65536 + 100) == MPUSetI2CFrequency(100) ? 1 : 0; },
         1, Sent::Something},
        {"MPUSetI2CFrequency_UINT_MAX", [](B &) { return MPUSetI2CFrequency(UINT_MAX); },
         kAnyResult, Sent::Something},
        {"MPUSetI2CFrequency_0", [](B &) { return MPUSetI2CFrequency(0); }, kAnyResult,
         Sent::Something},
        {"MPUSBGetDLLVersion", [](B &) { return MPUSBGetDLLVersion(); }, TESSLINK_DLL_VERSION,
         Sent::Nothing},
        {"MPUReset", [](B &) { return MPUReset(); }, 255, Sent::Something},
    };
}

class TesslinkBadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(TesslinkBadInput, GivesTheDocumentedResultAndTouchesNothingElse) {
    const BadInputCase &c = GetParam();
    FakeTransport adapter;
    adapter.outputLength = c.outputLength;
    auto buffers = std::make_unique<Buffers>();

    const long result = c.call(*buffers);

    if (c.expected != kAnyResult) {
        EXPECT_EQ(result, c.expected);
    }
    if (c.sent == Sent::Nothing) {
        EXPECT_TRUE(adapter.written.empty()) << "a report went to the adapter";
    } else {
        EXPECT_FALSE(adapter.written.empty()) << "no report went to the adapter";
    }
    for (const auto &report : adapter.written) {
        EXPECT_LE(report.size(), c.outputLength) << "a report longer than the adapter declared";
    }
    EXPECT_TRUE(buffers->out.leadIntact());
    EXPECT_TRUE(buffers->in.leadIntact());
    EXPECT_TRUE(buffers->in.untouched(kInputFill)) << "an input buffer was written";
    if (result == kBadLength && c.sent == Sent::Nothing) {
        EXPECT_TRUE(buffers->out.untouched(kFill)) << "a refused call wrote the caller's buffer";
    }
}

std::string caseName(const ::testing::TestParamInfo<BadInputCase> &info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Exports, TesslinkBadInput, ::testing::ValuesIn(cases()), caseName);

}  // namespace
