// Host programs that know nothing of the simulation (the examples, in C, C++
// and Java) run unchanged against the simulated adapters: through tess sim-run,
// and for the bulk adapter alone through the environment. Without either they
// load the real toolkit.
#include <gtest/gtest.h>

#include "run_tess.hpp"

namespace tesstest {
namespace {

struct Example {
    const char *program;
    const char *prints;
};

const Example kExamples[] = {
    {EXAMPLE_TEMPERATURE, "25.0 C\n"},
    {EXAMPLE_I2C_EEPROM, "As text: \"Tessbridge demo!\"\n"},
    {EXAMPLE_SPI_FLASH, "JEDEC ID: manufacturer 5A, memory type 40, capacity 18\n"},
    {EXAMPLE_PINS_AND_SUPPLIES, "SPI lines after writing 0x9: D\nI2C lines after writing 0x2: 2\n"},
    {EXAMPLE_TESSLINK_PMBUS, "MFR_ID TESSPSU, page 0\n"},
};

TEST(TessSimRun, ExamplesRunUnchangedOnTheSimulatedAdapters) {
    for (const Example &example : kExamples) {
        const Outcome run = run_tess({"sim-run", example.program});
        EXPECT_EQ(run.exit_code, 0) << example.program << ": " << run.err;
        EXPECT_NE(run.out.find(example.prints), std::string::npos) << example.program << ": " << run.out;
    }
}

TEST(TessSimRun, JavaProgramFindsTheLibraryAndTheEmulatedAdapter) {
    const Outcome run =
        run_tess({"sim-run", "--", JAVA_PROGRAM, "-XX:-UsePerfData", "-cp", EXAMPLE_JAVA_CLASS_PATH,
                  "PmbusTelemetry"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out,
              "adapter firmware 0x0105, library 0x0408\n"
              "MFR_ID TESSPSU\n"
              "VOUT 12.000 V\n");
}

// The README's form for the bulk adapter alone: the simulated toolkit first on
// the library path, and the bench it plugs.
TEST(TessSimRun, EnvironmentAloneGivesTheBulkAdapter) {
    const Outcome run = run_program({EXAMPLE_TEMPERATURE},
                                    {"LD_LIBRARY_PATH=" SIM_TOOLKIT_FOLDER, "WDSIM_BENCH=demo"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "25.0 C\n");

    // A bench the user chose is kept: the bare adapter has no sensor.
    const Outcome bare =
        run_program({tess_program(), "sim-run", EXAMPLE_TEMPERATURE}, {"WDSIM_BENCH=bare"});
    EXPECT_EQ(bare.exit_code, 1);
    EXPECT_NE(bare.err.find("no temperature: status 1"), std::string::npos) << bare.err;
}

// From the build tree, a program without sim-run loads the real toolkit that
// libtessbridge's RUNPATH names; with the simulated one first on the library
// path it loads that one instead.
TEST(TessSimRun, ProgramsLoadTheRealToolkitUnlessTheSimulatedOneIsChosen) {
    const Outcome real = run_program({EXAMPLE_TEMPERATURE}, {"LD_DEBUG=libs", "LD_LIBRARY_PATH"});
    EXPECT_NE(real.err.find("toolkit/libusb/libwdapi801.so"), std::string::npos) << real.err;
    EXPECT_EQ(real.err.find("toolkit/sim/libwdapi801.so"), std::string::npos) << real.err;

    const Outcome simulated =
        run_program({EXAMPLE_TEMPERATURE}, {"LD_DEBUG=libs", "LD_LIBRARY_PATH=" SIM_TOOLKIT_FOLDER});
    EXPECT_NE(simulated.err.find("toolkit/sim/libwdapi801.so"), std::string::npos) << simulated.err;
    EXPECT_EQ(simulated.err.find("toolkit/libusb/libwdapi801.so"), std::string::npos)
        << simulated.err;
}

TEST(TessSimRun, ProgramThatCannotRunIsABadArgument) {
    const Outcome none = run_tess({"sim-run"});
    EXPECT_EQ(none.exit_code, 2);
    EXPECT_NE(none.err.find("sim-run needs the program to run"), std::string::npos) << none.err;

    const Outcome missing = run_tess({"sim-run", "./no-such-program"});
    EXPECT_EQ(missing.exit_code, 2);
    EXPECT_NE(missing.err.find("cannot run './no-such-program': No such file or directory"),
              std::string::npos)
        << missing.err;

    const Outcome global = run_tess({"--json", "sim-run", EXAMPLE_TEMPERATURE});
    EXPECT_EQ(global.exit_code, 2);
    EXPECT_NE(global.err.find("global options do not apply to sim-run"), std::string::npos)
        << global.err;
}

}  // namespace
}  // namespace tesstest
