#include <gtest/gtest.h>

#include "i2c_messages.hpp"
#include "tool_error.hpp"

namespace tess {
namespace {

TEST(I2cMessages, WriteThenReadTakesTheAddressOfTheMessageBefore) {
    const auto messages = parse_i2c_messages({"w2@0x54", "0x00", "0x10", "r16"}, false, false);
    ASSERT_EQ(messages.size(), 2U);
    EXPECT_EQ(messages[0], (I2cMessage{false, 0x54, 2, {0x00, 0x10}}));
    EXPECT_EQ(messages[1], (I2cMessage{true, 0x54, 16, {}}));
}

TEST(I2cMessages, SeveralDevicesAndTenBitAddresses) {
    const auto messages = parse_i2c_messages({"w1@0x50", "7", "r1@0x48", "r2"}, false, false);
    ASSERT_EQ(messages.size(), 3U);
    EXPECT_EQ(messages[1].address, 0x48);
    EXPECT_EQ(messages[2].address, 0x48);
    const auto ten = parse_i2c_messages({"w1@0x2a5", "0", "r1"}, true, false);
    EXPECT_EQ(ten[0].address, 0x2A5);
    EXPECT_EQ(ten[1].address, 0x2A5);
}

TEST(I2cMessages, MistakesAreBadArguments) {
    const std::vector<std::vector<std::string>> cases{
        {},                              // nothing
        {"r4"},                          // first message without an address
        {"w2@0x50", "0x00"},             // fewer bytes than announced
        {"w1@0x50", "0x00", "0x01"},     // a byte where a message should start
        {"w2@0x50", "0x00", "r1"},       // the next message comes too early
        {"w0@0x50"},                     // empty write
        {"r0@0x50"},                     // empty read
        {"w501@0x50"},                   // over one write command
        {"r65536@0x50"},                 // over one read
        {"r1@0xa0"},                     // bus form instead of a 7-bit address
        {"r1@0x78"},                     // reserved address without --force
        {"r1@0x0x50"},                   // two prefixes
        {"x1@0x50"},                     // unknown direction
        {"w1@0x50", "0x100"},            // byte out of range
    };
    for (const auto &words : cases) {
        std::string line;
        for (const auto &word : words) {
            line += word + " ";
        }
        try {
            (void)parse_i2c_messages(words, false, false);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const ToolError &error) {
            EXPECT_EQ(error.code(), ExitCode::BadArgument) << line;
            EXPECT_FALSE(error.hint().empty()) << line;
        }
    }
}

}  // namespace
}  // namespace tess
