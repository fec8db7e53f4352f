#include <gtest/gtest.h>

#include "tool_error.hpp"
#include "words.hpp"

namespace tess {
namespace {

TEST(Words, SpacesSeparateQuotesGroup) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(split_words("i2c  get\t0x50 0"), (Words{"i2c", "get", "0x50", "0"}));
    EXPECT_EQ(split_words("i2c set 0x50 0 --text \"Hello, bus!\""),
              (Words{"i2c", "set", "0x50", "0", "--text", "Hello, bus!"}));
    EXPECT_EQ(split_words("--text 'say \"hi\"'"), (Words{"--text", "say \"hi\""}));
    EXPECT_EQ(split_words("--text \"\""), (Words{"--text", ""}));  // an empty word stays
    EXPECT_EQ(split_words("a\"b c\"d"), (Words{"ab cd"}));
    EXPECT_TRUE(split_words("   ").empty());
    EXPECT_THROW((void)split_words("--text \"open"), ToolError);
}

TEST(Words, AHashThatStartsAWordStartsAComment) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(split_words("i2c scan # what is there"), (Words{"i2c", "scan"}));
    EXPECT_EQ(split_words("i2c scan #what"), (Words{"i2c", "scan"}));
    EXPECT_EQ(split_words("# all of it"), Words{});
    // Inside a word or quotes it is a character.
    EXPECT_EQ(split_words("--text a#b \"# not a comment\""),
              (Words{"--text", "a#b", "# not a comment"}));
}

}  // namespace
}  // namespace tess
