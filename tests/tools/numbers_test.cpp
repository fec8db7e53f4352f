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
    for (const char *text : {"", "0x", "12a", "0x1g", " 5", "+5", "0x-1", "256", "-1",
                             "99999999999999999999"}) {
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
    EXPECT_EQ(parse_address7("0x50"), 0x50);
    EXPECT_EQ(parse_address7("0x7f"), 0x7F);
    try {
        (void)parse_address7("0xa0");
        ADD_FAILURE() << "0xa0 accepted as a 7-bit address";
    } catch (const ToolError &error) {
        EXPECT_EQ(error.code(), ExitCode::BadArgument);
        EXPECT_NE(error.hint().find("0x50"), std::string::npos) << error.hint();
    }
    EXPECT_THROW((void)parse_address7("0x100"), ToolError);
}

TEST(Numbers, TenBitAddressesAndByteLists) {
    EXPECT_EQ(parse_address10("0x2a5"), 0x2A5);
    EXPECT_THROW((void)parse_address10("0x400"), ToolError);
    EXPECT_EQ(parse_bytes({"0x5a", "64", "0b11"}), (std::vector<std::uint8_t>{0x5A, 64, 3}));
    EXPECT_THROW((void)parse_bytes({"1", "256"}), ToolError);
    EXPECT_EQ(hex_bytes({0x5A, 0x00, 0xFF}), "0x5a 0x00 0xff");
}

TEST(Numbers, OnOff) {
    EXPECT_TRUE(parse_on_off("on"));
    EXPECT_TRUE(parse_on_off("1"));
    EXPECT_FALSE(parse_on_off("off"));
    EXPECT_FALSE(parse_on_off("0"));
    EXPECT_THROW((void)parse_on_off("maybe"), ToolError);
}

}  // namespace
}  // namespace tess
