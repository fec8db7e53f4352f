#include <gtest/gtest.h>

#include "numbers.hpp"
#include "tool_error.hpp"

namespace tess {
namespace {

TEST(Numbers, AcceptsDecimalHexAndBinaryWithinRange) {
    EXPECT_EQ(parse_number("80", "x", 0, 255), 80);
    EXPECT_EQ(parse_number("0x50", "x", 0, 255), 0x50);
    EXPECT_EQ(parse_number("0XfF", "x", 0, 255), 255);
    EXPECT_EQ(parse_number("0b101", "x", 0, 255), 5);
    EXPECT_EQ(parse_number("-1", "x", -1, 5), -1);
}

TEST(Numbers, RefusesWhatIsNotANumberInRange) {
    for (const char *text : {"", "0x", "12a", "0x1g", " 5", "\t5", "+5", "0x-1", "256", "-1",
                             "99999999999999999999", "0x0x48", "0X0x10", "0b0b1", "0x 5", "-"}) {
        try {
            (void)parse_number(text, "count", 0, 255);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ToolError &error) {
            EXPECT_EQ(error.code(), ExitCode::BadArgument) << text;
            EXPECT_NE(std::string(error.what()).find("count"), std::string::npos) << text;
            EXPECT_NE(error.hint().find("0 to 255"), std::string::npos) << text;
        }
    }
}

TEST(Numbers, SevenBitAddressRefusesTheBusFormAndNamesTheAddressMeant) {
    EXPECT_EQ(parse_address7("0x50", false), 0x50);
    EXPECT_EQ(parse_address7("0x77", false), 0x77);
    try {
        (void)parse_address7("0xa0", false);
        ADD_FAILURE() << "0xa0 accepted as a 7-bit address";
    } catch (const ToolError &error) {
        EXPECT_EQ(error.code(), ExitCode::BadArgument);
        EXPECT_NE(error.hint().find("0x50"), std::string::npos) << error.hint();
    }
}

// One range everywhere: 0x08-0x77 for devices; the reserved addresses around
// it only with --force; whatever is refused names that range.
TEST(Numbers, ReservedAddressesNeedForceAndEveryRefusalNamesTheRange) {
    for (const char *text : {"0x00", "0x03", "0x07", "0x78", "0x7f"}) {
        EXPECT_THROW((void)parse_address7(text, false), ToolError) << text;
        EXPECT_NO_THROW((void)parse_address7(text, true)) << text;
    }
    EXPECT_EQ(parse_address7("0x08", false), 0x08);
    for (const char *text : {"0x03", "0x78", "0x80", "0x100", "0x200", "-1", "0x0x48", "fifty"}) {
        try {
            (void)parse_address7(text, false);
            ADD_FAILURE() << "accepted " << text;
        } catch (const ToolError &error) {
            EXPECT_EQ(error.code(), ExitCode::BadArgument) << text;
            EXPECT_NE(error.hint().find("0x08-0x77"), std::string::npos)
                << text << ": " << error.hint();
            EXPECT_EQ(error.hint().find("0 to 255"), std::string::npos) << text << ": " << error.hint();
        }
    }
}

TEST(Numbers, TenBitAddressesAndByteLists) {
    EXPECT_EQ(parse_address10("0x2a5"), 0x2A5);
    EXPECT_THROW((void)parse_address10("0x400"), ToolError);
    EXPECT_EQ(parse_bytes({"0x5a", "64", "0b11"}), (std::vector<std::uint8_t>{0x5A, 64, 3}));
    EXPECT_THROW((void)parse_bytes({"1", "256"}), ToolError);
    EXPECT_EQ(hex_bytes({0x5A, 0x00, 0xFF}), "0x5a 0x00 0xff");
}

TEST(Numbers, OnOffWordsAreTheSameForEverySwitch) {
    for (const char *on : {"on", "1", "high", "true"}) {
        EXPECT_TRUE(parse_on_off(on)) << on;
    }
    for (const char *off : {"off", "0", "low", "false"}) {
        EXPECT_FALSE(parse_on_off(off)) << off;
    }
    EXPECT_THROW((void)parse_on_off("maybe"), ToolError);
}

TEST(Numbers, RangeHintsUseTheBaseTheValueWasWrittenIn) {
    try {
        (void)parse_number("0x100", "register", 0, 0xFF);
        ADD_FAILURE() << "accepted 0x100";
    } catch (const ToolError &error) {
        EXPECT_NE(error.hint().find("from 0x0 to 0xff"), std::string::npos) << error.hint();
    }
}

}  // namespace
}  // namespace tess
