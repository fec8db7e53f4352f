// --json: whatever happens, standard output holds exactly one JSON document per
// command, and its "error" member carries the exit code.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

struct Case {
    std::vector<std::string> arguments;
    int exit_code;
};

void expect_one_document(const Case &c) {
    std::string line;
    for (const std::string &word : c.arguments) {
        line += word + " ";
    }
    const Outcome run = run_tess(c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << line << run.err;
    EXPECT_EQ(not_one_json_document(run.out), "") << line << "\n" << run.out;
    const std::string code = "\"error\":{\"exit_code\":" + std::to_string(c.exit_code) + ",";
    if (c.exit_code == 0) {
        EXPECT_EQ(run.out.find("\"error\""), std::string::npos) << line << run.out;
    } else {
        EXPECT_NE(run.out.find(code), std::string::npos) << line << run.out;
    }
}

TEST(TessJson, CommandLineErrorsPrintTheirDocument) {
    const std::vector<Case> cases{
        {{"--json", "i2c", "get"}, 2},                          // missing argument
        {{"--json", "i2c", "scan", "--frob"}, 2},               // unknown option
        {{"--json", "--serial", "abc", "i2c", "scan"}, 2},      // a value the option refuses
        {{"--json", "frobnicate"}, 2},                          // unknown command
        {{"i2c", "get", "0x50", "0x100", "--json"}, 2},         // a value the command refuses
        {{"--json", "--sim-log", "i2c", "scan"}, 2},            // --sim-* without --sim
    };
    for (const Case &c : cases) {
        expect_one_document(c);
    }
}

TEST(TessJson, FailuresAfterAPartialResultPrintOneDocument) {
    const std::vector<Case> cases{
        {{"--sim", "--json", "--sim-hold-sda", "20", "i2c", "recover"}, 1},
        {{"--sim", "--json", "i2c", "get", "0x51", "0"}, 1},
        {{"--sim", "--json", "hid", "pmbus", "0x50"}, 6},
        {{"--sim", "--json", "list"}, 0},
        {{"--sim", "--json", "--sim-hold-sda", "3", "i2c", "recover"}, 0},
    };
    for (const Case &c : cases) {
        expect_one_document(c);
    }
}

// No adapter on this machine: the listing and the error are one document.
TEST(TessJson, ListWithoutAdapterIsOneDocument) {
    expect_one_document({{"--json", "list"}, 3});
}

TEST(TessJson, EachBatchLineHasItsDocument) {
    const Outcome run = run_tess({"--sim", "--json", "batch", "-"},
                                 "i2c get 0x48 0 -n 2\n-i2c get 0x51 0\npower 3v on\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const auto lines = lines_of(run.out);
    ASSERT_EQ(lines.size(), 3U) << run.out;
    for (const std::string &line : lines) {
        EXPECT_EQ(not_one_json_document(line + "\n"), "") << line;
    }
    EXPECT_NE(lines[1].find("\"message\":\"-:2: reading the device at 0x51"), std::string::npos)
        << lines[1];
}

}  // namespace
}  // namespace tesstest
