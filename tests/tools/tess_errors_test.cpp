// Exit codes and error texts: a bad argument sends nothing, a missing device is
// a bus error, a missing adapter is told apart.
#include <gtest/gtest.h>

#include <cstdlib>

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
        {{"i2c", "get", "0x03", "0"}, "address 0x03 is reserved"},
        {{"i2c", "scan", "--last", "0x7f"}, "address 0x7f is reserved"},
        {{"hid", "get", "0x78", "0"}, "address 0x78 is reserved"},
        {{"i2c", "get", "0x0x48", "0"}, "address '0x0x48' is not a number"},
        {{"i2c", "get", "0x200", "0"}, "0x08-0x77"},
        {{"i2c", "transfer", "-t", "r1@0x400"}, "from 0x0 to 0x3ff"},
        {{"io", "set", "maybe"}, "expected on or off"},
        {{"i2c", "get", "0x50", "0", "one", "two"}, "were not expected: one two"},
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

TEST(TessErrors, ReservedAddressesPassWithForce) {
    const Outcome run = run_tess({"--sim", "--sim-log", "i2c", "get", "0x03", "0", "--force"});
    EXPECT_EQ(run.exit_code, 1) << run.err;  // sent, and nobody answers there
    EXPECT_NE(run.err.find("no device acknowledged"), std::string::npos) << run.err;
    EXPECT_EQ(packets_sent(run.err), std::vector<std::string>{"01 40 00 01 00 01 06 07 00"});
}

TEST(TessErrors, SimulationOptionsNeedSim) {
    for (const char *option : {"--sim-log", "--sim-hold-sda=3", "--sim-fail-out=1"}) {
        const Outcome run = run_tess({option, "i2c", "scan"});
        EXPECT_EQ(run.exit_code, 2) << option;
        EXPECT_NE(run.err.find("works only with --sim"), std::string::npos) << run.err;
    }
}

TEST(TessErrors, BatchChecksEveryLineFirstAndStopsAtTheFirstFailure) {
    // A line the parser refuses stops the batch before anything is sent.
    const Outcome syntax = run_tess({"--sim", "--sim-log", "batch", "-"}, "power 3v on\ni2c frob\n");
    EXPECT_EQ(syntax.exit_code, 2);
    EXPECT_NE(syntax.err.find("-:2:"), std::string::npos) << syntax.err;
    EXPECT_TRUE(packets_sent(syntax.err).empty()) << syntax.err;

    // So does a value a command refuses: nothing has run when it is found.
    const Outcome value = run_tess({"--sim", "--sim-log", "batch", "-"},
                                   "power 3v on\ni2c get 0xa0 0\npower 5v on\n");
    EXPECT_EQ(value.exit_code, 2);
    EXPECT_NE(value.err.find("tess: error: -:2: address '0xa0' is not a 7-bit address"),
              std::string::npos)
        << value.err;
    EXPECT_TRUE(packets_sent(value.err).empty()) << value.err;

    // A failure while the lines run names its line too.
    const Outcome bus = run_tess({"--sim", "batch", "-"}, "power 3v on\n\ni2c get 0x51 0\n");
    EXPECT_EQ(bus.exit_code, 1);
    EXPECT_NE(bus.err.find("tess: error: -:3: reading the device at 0x51"), std::string::npos)
        << bus.err;
}

TEST(TessErrors, BatchLinesAsTheShellWouldHaveThem) {
    // A trailing comment, blank lines, a keep-going mark and quotes.
    const Outcome run = run_tess({"--sim", "batch", "-"},
                                 "# set up\n"
                                 "power 3v on   # the sensor's supply\n"
                                 "\n"
                                 "-i2c get 0x51 0\n"
                                 "i2c set 0x50 0 --text \"# not a comment\" --page-size 8\n"
                                 "i2c get 0x50 0 -n 2\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("$ tess i2c get 0x50 0 -n 2\n0x23 0x20\n"), std::string::npos) << run.out;

    // CLI11's messages come as it wrote them: words in order, dashes kept.
    struct Case {
        const char *line;
        const char *says;
    };
    const Case cases[] = {
        {"i2c get 0x50 0 one two\n", "-:1: The following arguments were not expected: one two"},
        {"i2c scan --frob\n", "-:1: The following argument was not expected: --frob"},
        {"--json i2c scan\n", "-:1: --json is a global option and has no place on a batch line"},
        {"i2c scan --sim\n", "-:1: --sim is a global option and has no place on a batch line"},
        {"i2c scan --serial 1234\n", "-:1: --serial is a global option"},
        {"i2c scan --help\n", "-:1: --help has no place on a batch line"},
    };
    for (const Case &c : cases) {
        const Outcome refused = run_tess({"--sim", "batch", "-"}, c.line);
        EXPECT_EQ(refused.exit_code, 2) << c.line;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << c.line << refused.err;
    }
}

TEST(TessErrors, BatchFileThatCannotBeReadIsAnError) {
    const Outcome folder = run_tess({"--sim", "batch", "/tmp"});
    EXPECT_EQ(folder.exit_code, 2);
    EXPECT_NE(folder.err.find("cannot read batch file '/tmp': Is a directory"), std::string::npos)
        << folder.err;

    const Outcome missing = run_tess({"--sim", "batch", "/no/such/batch"});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.err.find("cannot open batch file '/no/such/batch': No such file or directory"),
              std::string::npos)
        << missing.err;
}

// Exit codes follow the documented table.
TEST(TessErrors, LibrariesThatCannotLoadAreAnEnvironmentError) {
    char folder[] = "/tmp/tess-broken-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string bridge = std::string(folder) + "/libtessbridge.so";
    const std::string link = std::string(folder) + "/libtesslink.so";
    (void)run_program({"touch", bridge, link});
    const Outcome run = run_program({tess_program(), "list"}, {"LD_LIBRARY_PATH=" + std::string(folder)});
    EXPECT_EQ(run.exit_code, 4) << run.err;
    EXPECT_NE(run.err.find("cannot load libtessbridge.so"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("file too short"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("plug"), std::string::npos) << run.err;
    (void)run_program({"rm", "-r", folder});
}

TEST(TessErrors, VoutModeThatIsNotLinearIsNotABusError) {
    // The register memory at 0x50 reads 0x20 at VOUT_MODE: the VID format.
    const Outcome run = run_tess({"--sim", "hid", "pmbus", "0x50"});
    EXPECT_EQ(run.exit_code, 6) << run.err;
    EXPECT_NE(run.err.find("VOUT_MODE 0x20 is not the linear format"), std::string::npos) << run.err;
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
                             "4  environment", "5  output", "6  undecoded"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace tesstest
