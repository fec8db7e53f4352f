// Exit codes and error texts: a bad argument sends nothing, a missing device is
// a bus error, a missing adapter is told apart.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

TEST(TessErrors, BadArgumentsExitWithTwoAndSendNothing) {
    struct Case {
        std::vector<std::string> arguments;
        const char *says;
    };
    const std::vector<Case> cases{
        {{"i2c", "get", "0xa0", "0"}, "8-bit bus form of 7-bit address 0x50"},
        {{"i2c", "get", "0x50", "0x100"}, "register '0x100' is out of range"},
        {{"i2c", "set", "0x50", "0"}, "nothing to write"},
        {{"i2c", "set", "0x50", "0", "--text", std::string(501, 'x')}, "--page-size"},
        {{"i2c", "transfer", "w2@0x50", "0x00"}, "announces 2 bytes but has 1"},
        {{"i2c", "get", "-t", "-w", "0x50", "0"}, "cannot be combined"},
        {{"spi", "mode", "4"}, "SPI mode '4' is out of range"},
        {{"power", "4v", "on"}, "unknown supply '4v'"},
        {{"power", "3v", "maybe"}, "expected on or off"},
        {{"io", "lines", "i2c", "4"}, "line levels '4' is out of range"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"i2c"}, "tess --help"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> arguments{"--sim", "--sim-log"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Outcome run = run_tess(arguments);
        EXPECT_EQ(run.exit_code, 2) << c.says << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(packets_sent(run.err).empty()) << c.says << ": " << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST(TessErrors, BatchChecksEveryLineFirstAndStopsAtTheFirstFailure) {
    // A line the parser refuses stops the batch before anything is sent.
    const Outcome syntax = run_tess({"--sim", "--sim-log", "batch", "-"}, "power 3v on\ni2c frob\n");
    EXPECT_EQ(syntax.exit_code, 2);
    EXPECT_NE(syntax.err.find("-:2:"), std::string::npos) << syntax.err;
    EXPECT_TRUE(packets_sent(syntax.err).empty()) << syntax.err;

    // Values are checked as each line runs: the lines before the bad one have run.
    const Outcome value = run_tess({"--sim", "--sim-log", "batch", "-"},
                                   "power 3v on\ni2c get 0xa0 0\npower 5v on\n");
    EXPECT_EQ(value.exit_code, 2);
    EXPECT_EQ(packets_sent(value.err), std::vector<std::string>{"01 71"}) << value.err;
}

TEST(TessErrors, AbsentDeviceIsABusErrorWithAHint) {
    const Outcome run = run_tess({"--sim", "i2c", "get", "0x51", "0"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.err,
              "tess: error: reading the device at 0x51: no device acknowledged the address\n"
              "tess: try: check the address with 'tess i2c scan', the wiring and the device's "
              "supply ('tess power 3v on')\n");

    const Outcome json = run_tess({"--sim", "--json", "i2c", "get", "0x51", "0"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_NE(json.out.find("{\"error\":{\"exit_code\":1,\"message\":\"reading the device at 0x51"),
              std::string::npos)
        << json.out;
}

// A packet that does not reach the adapter makes the library present a
// message; tess shows it as its own error and exits 1, never with success.
TEST(TessErrors, TransferFailuresAreBusErrorsWithTheLibrarysMessage) {
    const std::vector<std::vector<std::string>> commands{
        {"i2c", "get", "0x50", "0"}, {"i2c", "scan"},          {"i2c", "clock"},
        {"power", "3v", "on"},       {"spi", "transfer", "1"}, {"spi", "write-read", "0x9f", "-r", "3"},
        {"io", "get"},               {"io", "lines", "i2c"},
    };
    for (const auto &command : commands) {
        std::vector<std::string> arguments{"--sim", "--sim-fail-out", "1"};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const Outcome run = run_tess(arguments);
        const std::string name = command[0] + " " + (command.size() > 1 ? command[1] : "");
        EXPECT_EQ(run.exit_code, 1) << name;
        EXPECT_NE(run.err.find("Transfer timed out"), std::string::npos) << name << ": " << run.err;
    }
    const Outcome list = run_tess({"--sim", "--sim-fail-out", "1", "list"});
    EXPECT_NE(list.out.find("serial 1234: does not answer"), std::string::npos) << list.out;
}

TEST(TessErrors, UnknownSerialNumberIsNoAdapter) {
    const Outcome run = run_tess({"--sim", "--serial", "4321", "i2c", "scan"});
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_NE(run.err.find("no bulk adapter has serial number 4321"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("attached: 1234"), std::string::npos) << run.err;
}

// Without --sim there is no adapter on this machine: the library's start-up
// waits its 2 seconds for one, then the tool says so.
TEST(TessErrors, NoAdapterWithoutSimulation) {
    const Outcome run = run_tess({"i2c", "scan"});
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_NE(run.err.find("no bulk adapter is attached"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--sim"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;

    const Outcome hid = run_tess({"hid", "version"});
    EXPECT_EQ(hid.exit_code, 3);
    EXPECT_NE(hid.err.find("no HID adapter answers"), std::string::npos) << hid.err;
}

TEST(TessErrors, HelpListsTheExitCodes) {
    const Outcome run = run_tess({"--help"});
    EXPECT_EQ(run.exit_code, 0);
    for (const char *line : {"0  success", "1  bus error", "2  bad argument", "3  no adapter",
                             "4  environment"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace tesstest
