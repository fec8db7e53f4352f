// Results that cannot be written are failures with the system's reason and
// exit code 5 (output), never "read N bytes" with exit 0.
#include <gtest/gtest.h>

#include <unistd.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

// /dev/full takes nothing: small writes fail only when the buffer is flushed
// or the file closed, large ones at once.
TEST(TessOutput, ReadIntoAFileThatTakesNothingFails) {
    for (const char *count : {"16", "20000"}) {
        const Outcome run = run_tess({"--sim", "i2c", "read", "0x50", count, "-o", "/dev/full"});
        EXPECT_EQ(run.exit_code, 5) << count << ": " << run.err;
        EXPECT_NE(run.err.find("cannot write '/dev/full': No space left on device"),
                  std::string::npos)
            << count << ": " << run.err;
        EXPECT_EQ(run.out.find("read " + std::string(count) + " bytes"), std::string::npos)
            << run.out;
    }
}

TEST(TessOutput, AFileThatCannotBeOpenedFailsBeforeAnythingIsSent) {
    const Outcome run =
        run_tess({"--sim", "--sim-log", "i2c", "read", "0x50", "16", "-o", "/no/such/folder/x"});
    EXPECT_EQ(run.exit_code, 5) << run.err;
    EXPECT_NE(run.err.find("cannot open '/no/such/folder/x': No such file or directory"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(packets_sent(run.err).empty()) << run.err;
}

TEST(TessOutput, ReadIntoAFileWritesEveryByte) {
    char name[] = "/tmp/tess-read-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    (void)::close(fd);
    const Outcome run = run_tess({"--sim", "i2c", "read", "0x50", "300", "-o", name});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, std::string("read 300 bytes into ") + name + "\n");
    const Outcome size = run_program({"stat", "-c", "%s", name});
    EXPECT_EQ(size.out, "300\n");
    (void)::unlink(name);
}

// Standard output that takes nothing: in text and in JSON mode, for results,
// for help, and for a batch.
TEST(TessOutput, StandardOutputThatTakesNothingFails) {
    const std::vector<std::vector<std::string>> commands{
        {"--sim", "i2c", "get", "0x48", "0", "-n", "2"},
        {"--sim", "--json", "i2c", "get", "0x48", "0"},
        {"--sim", "i2c", "read", "0x50", "65536"},
        {"--help"},
        {"help", "i2c", "get"},
    };
    for (const auto &arguments : commands) {
        std::vector<std::string> command{tess_program()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const Outcome run = run_program(command, {}, {}, "/dev/full");
        EXPECT_EQ(run.exit_code, 5) << arguments.back() << ": " << run.err;
        EXPECT_NE(run.err.find("cannot write to standard output: No space left on device"),
                  std::string::npos)
            << arguments.back() << ": " << run.err;
    }
}

}  // namespace
}  // namespace tesstest
