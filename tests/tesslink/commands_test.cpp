// The MPU exports against a simulated adapter: the reports they send, the
// results they give, and what they leave in the caller's buffer.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "fake_transport.hpp"
#include "tesslink.h"

namespace {

using tesslink::Report;
using tesslink::testing::FakeTransport;

constexpr unsigned char kPsu = 0xB0;     // PMBus power supply, 8-bit address
constexpr unsigned char kMemory = 0xA0;  // register memory
constexpr unsigned char kNobody = 0x20;  // no target at this address

class Commands : public ::testing::Test {
  protected:
    FakeTransport adapter;

    // The first bytes of the i-th report sent.
    std::vector<std::uint8_t> sent(std::size_t i, std::size_t bytes) const {
        const Report &r = adapter.written.at(i);
        return {r.begin(), r.begin() + static_cast<std::ptrdiff_t>(bytes)};
    }
    void replyStatus(std::size_t index, std::uint8_t status) {
        adapter.tamper = [=](std::size_t i, std::optional<Report> reply) {
            if (i == index && reply) {
                (*reply)[3] = status;
            }
            return reply;
        };
    }
    void dropReply(std::size_t index) {
        adapter.tamper = [=](std::size_t i, std::optional<Report> reply) {
            return i == index ? std::nullopt : reply;
        };
    }
};

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (const int v : values) {
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

// --- Exact reports and results of every command -----------------------------

struct ReportCase {
    std::string name;
    std::function<int()> call;
    std::vector<std::uint8_t> layout;  // bytes the command names, report ID first
    int result;
};

TEST_F(Commands, EachCommandSendsItsReportPaddedToTheDeclaredLengthAndReadsItsReply) {
    std::array<unsigned char, 4> data{};
    const unsigned char toWrite[] = {0x11, 0x22, 0x33};
    const std::vector<ReportCase> cases = {
        {"read", [&] { return MPUI2CRead(kPsu, 2, data.data(), 0x8B); },
         bytes({0, 0x43, 2, kPsu, 0x8B}), 0},
        {"write", [&] { return MPUI2CWrite(kMemory, 3, toWrite, 0x10); },
         bytes({0, 0x44, 1, 3, kMemory, 0x10, 0x11, 0x22, 0x33}), 0},
        {"read array", [&] { return MPUI2CReadArray(kMemory, 0x30, 4, data.data()); },
         bytes({0, 0x41, 4, kMemory, 0x30}), 0},
        {"write array", [&] { return MPUI2CWriteArray(kMemory, 0x40, 3, toWrite); },
         bytes({0, 0x42, 1, 3, kMemory, 0x40, 0x11, 0x22, 0x33}), 0},
        {"set clock 400", [] { return MPUSetI2CFrequency(400); }, bytes({0, 0x45, 2, 0x90, 0x01}),
         400},
        {"set clock, low 16 bits", [] { return MPUSetI2CFrequency(65536 + 400); },
         bytes({0, 0x45, 2, 0x90, 0x01}), 400},
        {"get clock", [] { return MPUGetI2CFrequency(); }, bytes({0, 0x46, 2}), 100},
        {"device version", [] { return MPUSBGetDeviceVersion(); }, bytes({0, 0x00, 2}), 0x0105},
        {"flash LED", [] { return MPUSBFlashLED(); }, bytes({0, 0xA0, 2}), 0},
        {"reset", [] { return MPUReset(); }, bytes({0, 0xFF}), 255},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeTransport fresh;  // each case on a new adapter
        EXPECT_EQ(c.call(), c.result);
        ASSERT_EQ(fresh.written.size(), 1U);
        Report expected = c.layout;
        expected.resize(65, 0);
        EXPECT_EQ(fresh.written[0], expected);
    }
}

TEST_F(Commands, ReadsCopyTheReplyDataAndWritesReachTheDevice) {
    std::array<unsigned char, 2> vout{};
    ASSERT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
    EXPECT_EQ(vout, (std::array<unsigned char, 2>{0x00, 0x18}));  // 12 V in linear16, exp -9

    const unsigned char newVout[] = {0x9A, 0x06};  // 3.3 V
    ASSERT_EQ(MPUI2CWrite(kPsu, 2, newVout, 0x21), 0);
    ASSERT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
    EXPECT_EQ(vout, (std::array<unsigned char, 2>{0x9A, 0x06}));

    std::array<unsigned char, 8> id{};
    ASSERT_EQ(MPUI2CRead(kPsu, 8, id.data(), 0x99), 0);
    EXPECT_EQ(std::string(id.begin() + 1, id.end()), "TESSPSU");
    EXPECT_EQ(id[0], 7);
}

TEST_F(Commands, ReadOfSixtyBytesCopiesReplyBytesFourToSixtyThree) {
    adapter.tamper = [](std::size_t, std::optional<Report> reply) {
        std::iota(reply->begin() + 4, reply->end(), std::uint8_t{4});
        (*reply)[3] = 0;
        return reply;
    };
    std::array<unsigned char, 61> data{};
    data[60] = 0xEE;
    ASSERT_EQ(MPUI2CRead(kMemory, 60, data.data(), 0), 0);
    for (std::size_t i = 0; i < 60; ++i) {
        EXPECT_EQ(data[i], i + 4) << i;
    }
    EXPECT_EQ(data[60], 0xEE);
}

TEST_F(Commands, FlashLedResetAndVersionReachTheFirmware) {
    EXPECT_EQ(MPUSBFlashLED(), 0);
    EXPECT_EQ(adapter.board.firmware.ledFlashes(), 1U);
    EXPECT_EQ(MPUSetI2CFrequency(400), 400);
    EXPECT_EQ(MPUReset(), 255);
    EXPECT_EQ(adapter.board.firmware.resets(), 1U);
    EXPECT_EQ(MPUGetI2CFrequency(), 100);   // the reset restored the default
    EXPECT_EQ(adapter.channelsOpened, 3U);  // the reset reads no reply
}

// --- Block transfers ----------------------------------------------------------

struct ChunkCase {
    unsigned char start;
    unsigned count;
    std::vector<int> chunkLengths;
    std::vector<int> registers;
};

const std::vector<ChunkCase> kChunkCases = {
    {0x00, 256, {48, 48, 48, 48, 48, 16}, {0x00, 0x30, 0x60, 0x90, 0xC0, 0xF0}},
    {0xE0, 96, {48, 48}, {0xE0, 0x10}},
    {0x10, 49, {48, 1}, {0x10, 0x40}},
    {0x05, 48, {48}, {0x05}},
    {0xFF, 1, {1}, {0xFF}},
};

TEST_F(Commands, BlockReadSplitsIntoChunksWithWrappingRegisters) {
    for (const auto &c : kChunkCases) {
        SCOPED_TRACE("start " + std::to_string(c.start) + " count " + std::to_string(c.count));
        FakeTransport fresh;
        std::vector<unsigned char> data(c.count);
        ASSERT_EQ(MPUI2CReadArray(kMemory, c.start, c.count, data.data()), 0);
        ASSERT_EQ(fresh.written.size(), c.chunkLengths.size());
        for (std::size_t i = 0; i < c.chunkLengths.size(); ++i) {
            EXPECT_EQ(fresh.written[i][1], 0x41);
            EXPECT_EQ(fresh.written[i][2], c.chunkLengths[i]);
            EXPECT_EQ(fresh.written[i][3], kMemory);
            EXPECT_EQ(fresh.written[i][4], c.registers[i]);
        }
        // The memory holds each register's own number.
        for (std::size_t i = 0; i < c.count; ++i) {
            ASSERT_EQ(data[i], static_cast<unsigned char>(c.start + i)) << i;
        }
    }
}

TEST_F(Commands, BlockWriteSplitsIntoChunksWithWrappingRegisters) {
    for (const auto &c : kChunkCases) {
        SCOPED_TRACE("start " + std::to_string(c.start) + " count " + std::to_string(c.count));
        FakeTransport fresh;
        std::vector<unsigned char> data(c.count);
        std::iota(data.begin(), data.end(), static_cast<unsigned char>(0x80));
        const std::vector<unsigned char> before = data;
        ASSERT_EQ(MPUI2CWriteArray(kMemory, c.start, c.count, data.data()), 0);
        EXPECT_EQ(data, before);
        ASSERT_EQ(fresh.written.size(), c.chunkLengths.size());
        std::size_t offset = 0;
        for (std::size_t i = 0; i < c.chunkLengths.size(); ++i) {
            const Report &r = fresh.written[i];
            EXPECT_EQ(r[1], 0x42);
            EXPECT_EQ(r[2], 1);
            EXPECT_EQ(r[3], c.chunkLengths[i]);
            EXPECT_EQ(r[4], kMemory);
            EXPECT_EQ(r[5], c.registers[i]);
            const auto n = static_cast<std::size_t>(c.chunkLengths[i]);
            EXPECT_TRUE(std::equal(data.begin() + static_cast<std::ptrdiff_t>(offset),
                                   data.begin() + static_cast<std::ptrdiff_t>(offset + n),
                                   r.begin() + 6));
            offset += n;
        }
        for (std::size_t i = 0; i < c.count; ++i) {
            ASSERT_EQ(fresh.board.memory.cells()[static_cast<std::uint8_t>(c.start + i)], data[i]);
        }
    }
}

TEST_F(Commands, BlockReadStopsAtTheFirstFailingChunkAndKeepsEarlierData) {
    struct Case {
        std::string name;
        std::function<void()> fault;
        int result;
    };
    const std::vector<Case> cases = {
        {"status 5 in chunk 2", [this] { replyStatus(1, 5); }, 5},
        {"no reply to chunk 2", [this] { dropReply(1); }, 255},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        adapter.written.clear();
        c.fault();
        std::vector<unsigned char> data(100, 0xEE);
        EXPECT_EQ(MPUI2CReadArray(kMemory, 0, 100, data.data()), c.result);
        EXPECT_EQ(adapter.written.size(), 2U);  // the third chunk is not sent
        for (std::size_t i = 0; i < 48; ++i) {
            ASSERT_EQ(data[i], i);
        }
        for (std::size_t i = 48; i < 100; ++i) {
            ASSERT_EQ(data[i], 0xEE) << i;
        }
    }
}

TEST_F(Commands, BlockWriteStopsAtTheFirstFailingChunk) {
    dropReply(0);
    std::vector<unsigned char> data(100, 0x5A);
    EXPECT_EQ(MPUI2CWriteArray(kMemory, 0, 100, data.data()), 255);
    EXPECT_EQ(adapter.written.size(), 1U);

    adapter.written.clear();
    replyStatus(1, 7);
    EXPECT_EQ(MPUI2CWriteArray(kMemory, 0, 100, data.data()), 7);
    EXPECT_EQ(adapter.written.size(), 2U);
}

TEST_F(Commands, BlockTransferToAnAbsentTargetReturnsTheAdapterStatusAfterOneChunk) {
    std::vector<unsigned char> data(96, 0xEE);
    EXPECT_EQ(MPUI2CReadArray(kNobody, 0, 96, data.data()), 1);
    EXPECT_EQ(adapter.written.size(), 1U);
    EXPECT_EQ(data, std::vector<unsigned char>(96, 0xEE));
}

// --- Limits ------------------------------------------------------------------

struct LengthCase {
    std::string name;
    std::function<int(unsigned char *)> call;
    int result;
    int reportByte2;  // byte 2 (or 3 for writes) of the single report, -1: nothing sent
};

TEST_F(Commands, LengthsAreCheckedOnTheirLowSixteenBitsBeforeAnythingIsSent) {
    const std::vector<LengthCase> cases = {
        {"read 0", [](unsigned char *d) { return MPUI2CRead(kMemory, 0, d, 0); }, 129, -1},
        {"read 61", [](unsigned char *d) { return MPUI2CRead(kMemory, 61, d, 0); }, 129, -1},
        {"read 65535", [](unsigned char *d) { return MPUI2CRead(kMemory, 0xFFFFFFFFU, d, 0); }, 129,
         -1},
        {"read 65536", [](unsigned char *d) { return MPUI2CRead(kMemory, 65536, d, 0); }, 129, -1},
        {"read 65536+5", [](unsigned char *d) { return MPUI2CRead(kMemory, 65541, d, 0); }, 0, 5},
        {"read 60", [](unsigned char *d) { return MPUI2CRead(kMemory, 60, d, 0); }, 0, 60},
        {"write 0", [](unsigned char *d) { return MPUI2CWrite(kMemory, 0, d, 0); }, 129, -1},
        {"write 61", [](unsigned char *d) { return MPUI2CWrite(kMemory, 61, d, 0); }, 129, -1},
        {"write 65536+5", [](unsigned char *d) { return MPUI2CWrite(kMemory, 65541, d, 0); }, 0, 5},
        {"read array 0", [](unsigned char *d) { return MPUI2CReadArray(kMemory, 0, 0, d); }, 129,
         -1},
        {"read array 257", [](unsigned char *d) { return MPUI2CReadArray(kMemory, 0, 257, d); },
         129, -1},
        {"read array 65536+5",
         [](unsigned char *d) { return MPUI2CReadArray(kMemory, 0, 65541, d); }, 0, 5},
        {"write array 0", [](unsigned char *d) { return MPUI2CWriteArray(kMemory, 0, 0, d); }, 129,
         -1},
        {"write array 257", [](unsigned char *d) { return MPUI2CWriteArray(kMemory, 0, 257, d); },
         129, -1},
        {"read, null buffer", [](unsigned char *) { return MPUI2CRead(kMemory, 4, nullptr, 0); },
         129, -1},
        {"write, null buffer", [](unsigned char *) { return MPUI2CWrite(kMemory, 4, nullptr, 0); },
         129, -1},
        {"read array, null buffer",
         [](unsigned char *) { return MPUI2CReadArray(kMemory, 0, 4, nullptr); }, 129, -1},
        {"write array, null buffer",
         [](unsigned char *) { return MPUI2CWriteArray(kMemory, 0, 4, nullptr); }, 129, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeTransport fresh;
        std::vector<unsigned char> data(300, 0xEE);
        EXPECT_EQ(c.call(data.data()), c.result);
        if (c.reportByte2 < 0) {
            EXPECT_TRUE(fresh.written.empty());
            EXPECT_EQ(fresh.searches, 0U);  // the adapter is not even looked for
        } else {
            ASSERT_EQ(fresh.written.size(), 1U);
            const Report &r = fresh.written[0];
            EXPECT_EQ(r[1] == 0x44 || r[1] == 0x42 ? r[3] : r[2], c.reportByte2);
        }
    }
}

TEST_F(Commands, SingleWriteIsRefusedWhenItsLayoutDoesNotFitTheOutputReport) {
    struct Case {
        std::size_t outputLength;
        unsigned length;
        int result;
    };
    // Six header bytes precede the data: a report of n bytes carries n - 6.
    const std::vector<Case> cases = {
        {64, 58, 0},   {64, 59, 129}, {64, 60, 129},  {65, 59, 0},
        {65, 60, 129}, {128, 60, 0},  {128, 61, 129},
    };
    const std::vector<unsigned char> data(61, 0x77);
    for (const auto &c : cases) {
        SCOPED_TRACE("report " + std::to_string(c.outputLength) + ", length " +
                     std::to_string(c.length));
        FakeTransport fresh;
        fresh.outputLength = c.outputLength;
        EXPECT_EQ(MPUI2CWrite(kMemory, c.length, data.data(), 0x00), c.result);
        if (c.result == 129) {
            EXPECT_TRUE(fresh.written.empty());
        } else {
            ASSERT_EQ(fresh.written.size(), 1U);
            EXPECT_EQ(fresh.written[0].size(), c.outputLength);
            EXPECT_EQ(fresh.written[0][5 + c.length], 0x77);  // the last data byte went out
            EXPECT_EQ(fresh.board.memory.cells()[c.length - 1], 0x77);
        }
    }
}

// --- Failures -------------------------------------------------------------------

struct FailureCase {
    std::string name;
    std::function<int(unsigned char *)> call;
    int absent;   // result with no adapter attached
    int noReply;  // result when the adapter does not answer
};

const std::vector<FailureCase> kFailureCases = {
    {"read", [](unsigned char *d) { return MPUI2CRead(kMemory, 4, d, 0); }, 255, 255},
    {"write", [](unsigned char *d) { return MPUI2CWrite(kMemory, 4, d, 0); }, 255, 255},
    {"read array", [](unsigned char *d) { return MPUI2CReadArray(kMemory, 0, 4, d); }, 255, 255},
    {"write array", [](unsigned char *d) { return MPUI2CWriteArray(kMemory, 0, 4, d); }, 255, 255},
    {"set clock", [](unsigned char *) { return MPUSetI2CFrequency(400); }, 0, 0},
    {"get clock", [](unsigned char *) { return MPUGetI2CFrequency(); }, 0, 0},
    {"device version", [](unsigned char *) { return MPUSBGetDeviceVersion(); }, 0, 0},
    {"flash LED", [](unsigned char *) { return MPUSBFlashLED(); }, 255, 255},
    {"reset", [](unsigned char *) { return MPUReset(); }, 0, 255},
    {"DLL version", [](unsigned char *) { return MPUSBGetDLLVersion(); }, 1032, 1032},
};

TEST_F(Commands, WithoutAdapterNothingIsSentAndTheBufferIsUnchanged) {
    adapter.present = false;
    for (const auto &c : kFailureCases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> data(8, 0xEE);
        EXPECT_EQ(c.call(data.data()), c.absent);
        EXPECT_EQ(data, std::vector<unsigned char>(8, 0xEE));
    }
    EXPECT_TRUE(adapter.written.empty());
}

TEST_F(Commands, ACommandSentButNotAnsweredIsNotReportedAsSuccess) {
    adapter.tamper = [](std::size_t, std::optional<Report>) { return std::nullopt; };
    for (const auto &c : kFailureCases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> data(8, 0xEE);
        EXPECT_EQ(c.call(data.data()), c.noReply);
        EXPECT_EQ(data, std::vector<unsigned char>(8, 0xEE));
    }
}

TEST_F(Commands, AdapterStatusIsPassedThroughAndLeavesTheBufferUnchanged) {
    std::vector<unsigned char> data(4, 0xEE);
    EXPECT_EQ(MPUI2CRead(kNobody, 4, data.data(), 0), 1);  // address not acknowledged
    EXPECT_EQ(data, std::vector<unsigned char>(4, 0xEE));
    EXPECT_EQ(MPUI2CRead(kPsu, 2, data.data(), 0x42), 2);  // unsupported PMBus command
    EXPECT_EQ(data, std::vector<unsigned char>(4, 0xEE));
    replyStatus(2, 0x33);
    EXPECT_EQ(MPUI2CWrite(kMemory, 4, data.data(), 0), 0x33);
}

TEST_F(Commands, InformationRepliesWithoutTheEchoAreFailures) {
    struct Case {
        std::string name;
        std::size_t byte;
        std::uint8_t value;
    };
    const std::vector<Case> cases = {
        {"wrong command echo", 1, 0x99},
        {"wrong byte 2 echo", 2, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        adapter.tamper = [&](std::size_t, std::optional<Report> reply) {
            (*reply)[c.byte] = c.value;
            return reply;
        };
        EXPECT_EQ(MPUSBGetDeviceVersion(), 0);
        EXPECT_EQ(MPUGetI2CFrequency(), 0);
        EXPECT_EQ(MPUSetI2CFrequency(400), 0);
        EXPECT_EQ(MPUSBFlashLED(), 255);
    }
}

TEST_F(Commands, I2cRepliesAreNotCheckedForAnEcho) {
    adapter.tamper = [](std::size_t, std::optional<Report> reply) {
        (*reply)[1] = 0;
        (*reply)[2] = 0;
        return reply;
    };
    std::array<unsigned char, 2> vout{};
    EXPECT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
    EXPECT_EQ(vout[1], 0x18);
}

TEST_F(Commands, LargerDeclaredReportsWork) {
    adapter.outputLength = 128;
    adapter.inputLength = 128;
    std::array<unsigned char, 2> vout{};
    EXPECT_EQ(MPUI2CRead(kPsu, 2, vout.data(), 0x8B), 0);
    EXPECT_EQ(vout[1], 0x18);
    EXPECT_EQ(adapter.written.at(0).size(), 128U);
}

}  // namespace
