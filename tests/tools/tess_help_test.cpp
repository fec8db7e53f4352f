// Help: what each operand is, the global options a command takes, examples,
// `tess help`, and the manual page made from the same texts.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

const std::vector<std::vector<std::string>> kCommands{
    {"list"},          {"batch"},         {"i2c", "scan"},      {"i2c", "get"},
    {"i2c", "set"},    {"i2c", "dump"},   {"i2c", "read"},      {"i2c", "transfer"},
    {"i2c", "clock"},  {"i2c", "recover"}, {"spi", "mode"},     {"spi", "clock"},
    {"spi", "transfer"}, {"spi", "write"}, {"spi", "write-read"}, {"io", "get"},
    {"io", "set"},     {"io", "bus"},     {"io", "lines"},      {"power"},
    {"hid", "version"}, {"hid", "clock"}, {"hid", "led"},       {"hid", "reset"},
    {"hid", "get"},    {"hid", "set"},    {"hid", "pmbus"},     {"sim-run"},
};

std::size_t count_of(const std::string &text, const std::string &part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

std::string name_of(const std::vector<std::string> &command) {
    std::string name;
    for (const std::string &word : command) {
        name += (name.empty() ? "" : " ") + word;
    }
    return name;
}

TEST(TessHelp, EveryCommandShowsItsGlobalOptionsAndExamples) {
    for (const auto &command : kCommands) {
        std::vector<std::string> arguments = command;
        arguments.emplace_back("--help");
        const Outcome run = run_tess(arguments);
        EXPECT_EQ(run.exit_code, 0) << name_of(command) << run.err;
        EXPECT_NE(run.out.find("Examples:\n  tess "), std::string::npos) << run.out;
        // Operands name their kind; only --text takes a text.
        EXPECT_EQ(count_of(run.out, "TEXT"), count_of(run.out, "--text TEXT")) << run.out;
        if (command.front() != "sim-run") {
            EXPECT_NE(run.out.find("Global options it takes"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("--json"), std::string::npos) << run.out;
        }
        // The HID adapter is not chosen by serial number.
        EXPECT_EQ(run.out.find("--serial") != std::string::npos, command.front() != "hid" &&
                                                                     command.front() != "sim-run")
            << run.out;
    }
}

TEST(TessHelp, OperandsShowTheirKind) {
    const Outcome get = run_tess({"i2c", "get", "--help"});
    for (const char *kind : {"address ADDR", "register REG", "--count N"}) {
        EXPECT_NE(get.out.find(kind), std::string::npos) << kind << "\n" << get.out;
    }
    const Outcome set = run_tess({"i2c", "set", "--help"});
    EXPECT_NE(set.out.find("values BYTE..."), std::string::npos) << set.out;
    const Outcome main = run_tess({"--help"});
    EXPECT_NE(main.out.find("0x08-0x77"), std::string::npos) << main.out;
    EXPECT_EQ(main.out.find("0x03-0x77"), std::string::npos) << main.out;
}

TEST(TessHelp, HelpCommandShowsTheSameTexts) {
    EXPECT_EQ(run_tess({"help"}).out, run_tess({"--help"}).out);
    const Outcome get = run_tess({"help", "i2c", "get"});
    EXPECT_EQ(get.exit_code, 0);
    EXPECT_EQ(get.out, run_tess({"i2c", "get", "--help"}).out);
    const Outcome unknown = run_tess({"help", "i2c", "frob"});
    EXPECT_EQ(unknown.exit_code, 2);
    EXPECT_NE(unknown.err.find("there is no command 'tess i2c frob'"), std::string::npos)
        << unknown.err;
}

TEST(TessHelp, ManualPageHoldsEveryCommand) {
    const Outcome run = run_tess({"help", "--man"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.rfind(".TH TESS 1 ", 0), 0U) << run.out.substr(0, 80);
    for (const auto &command : kCommands) {
        std::string name;
        for (const char c : "tess " + name_of(command)) {
            name += c == '-' ? std::string("\\-") : std::string(1, c);
        }
        EXPECT_NE(run.out.find(".SS \"" + name + "\""), std::string::npos) << name;
    }
    EXPECT_NE(run.out.find("\\-\\-json"), std::string::npos);  // minus signs, not hyphens
}

}  // namespace
}  // namespace tesstest
