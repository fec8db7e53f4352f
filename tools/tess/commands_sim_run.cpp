// tess sim-run on the command line (the work is done in sim_run.cpp).
#include <CLI/CLI.hpp>

#include <memory>

#include "command.hpp"

namespace tess {

void add_sim_run_command(CLI::App &app, CommandSlot &slot) {
    auto *sim_run = app.add_subcommand(
        "sim-run", "Run a host program (any language, unmodified) against the simulated adapters "
                   "of --sim: the bulk adapter with the demo bench, and the HID adapter");
    auto program = std::make_shared<std::vector<std::string>>();
    sim_run->add_option("program", *program, "The program and its arguments")
        ->type_name("PROGRAM [ARGS...]");
    sim_run->footer(std::string("\nUsage: ") + kSimRunUsage +
                    "\n  sim-run comes first and takes no global options: everything after it "
                    "belongs to the program.\n  The program finds the simulated toolkit and the "
                    "build tree's libraries on LD_LIBRARY_PATH\n  (Java: on java.library.path), "
                    "WDSIM_BENCH=demo (set it to choose other benches) and\n  "
                    "libtesslink_sim.so preloaded under umockdev-wrapper with TESSLINK_SIM=demo.\n"
                    "\nExamples:\n  tess sim-run ./my_host\n"
                    "  tess sim-run java -cp tesslink-pmbus.jar:. MyPmbusTool\n");
    sim_run->callback([&slot, program] {
        // Reached only when global options came first (main() runs a leading
        // sim-run itself, with everything after it as the program).
        (void)program;
        (void)slot;
        throw bad_argument("global options do not apply to sim-run",
                           std::string("write ") + kSimRunUsage);
    });
}

}  // namespace tess
