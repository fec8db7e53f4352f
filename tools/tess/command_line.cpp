#include "command_line.hpp"

#include <CLI/CLI.hpp>

#include "numbers.hpp"

namespace tess {

const char *const kExitCodeHelp =
    "Exit codes:\n"
    "  0  success\n"
    "  1  bus error: no acknowledge, bus busy, or a transfer to the adapter failed\n"
    "  2  bad argument: the command was refused before it sent anything\n"
    "  3  no adapter: none attached, or none with the --serial asked for\n"
    "  4  environment: a library or the simulation could not be loaded\n";

namespace {

void add_batch_command(CLI::App &app, CommandLine &line) {
    auto *batch = app.add_subcommand(
        "batch", "Run commands from a file (or - for standard input), one per line, against "
                 "the same adapters; with --sim the simulated devices keep their state from "
                 "line to line");
    batch->add_option("file", line.batch_file,
                      "File of commands: '#' starts a comment, a leading '-' lets the batch go "
                      "on when that line fails")
        ->required();
    batch->callback([&line] { line.command = Command{nullptr, Needs::Nothing}; });
}

}  // namespace

std::unique_ptr<CommandLine> make_command_line(bool for_batch) {
    auto line = std::make_unique<CommandLine>();
    line->app = std::make_unique<CLI::App>(
        "tess: poke at the I2C and SPI buses behind Tessbridge (bulk) and Tesslink (HID) "
        "USB adapters",
        "tess");
    CLI::App &app = *line->app;
    app.require_subcommand(1);
    // Global options may come after the command too: tess i2c scan --json.
    app.fallthrough();
    app.footer(std::string("\n") + kExitCodeHelp +
               "\nI2C addresses are 7-bit (0x03-0x77), as with i2c-tools; add --ten-bit for "
               "10-bit ones.\nSee docs/tool.md for examples.");
    if (!for_batch) {
        app.set_version_flag("--version", "tess " TESS_VERSION);
        app.add_option_function<std::string>(
               "--serial",
               [&line](const std::string &text) {
                   line->options.serial = static_cast<std::int32_t>(
                       parse_number(text, "serial number", -1, 2147483647));
               },
               "Bulk adapter to use, by its serial number (see 'tess list')")
            ->type_name("N");
        app.add_flag("--json", line->options.json, "Print results as JSON, one document per command");
        app.add_flag("--sim", line->options.sim,
                     "Use simulated adapters with device models instead of hardware");
        app.add_flag("--sim-log", line->options.sim_log,
                     "With --sim: print the bulk transfers of each command to standard error")
            ->group("Simulation");
        app.add_option("--sim-hold-sda", line->options.sim_hold_sda_clocks,
                       "With --sim: the 24C02 holds SDA low until it has seen N SCL clocks")
            ->type_name("N")
            ->group("Simulation");
        app.add_option("--sim-fail-out", line->options.sim_fail_out,
                       "With --sim: the Nth command packet sent to the bulk adapter fails")
            ->type_name("N")
            ->group("Simulation");
        add_batch_command(app, *line);
    }
    add_list_command(app, line->command);
    add_i2c_commands(app, line->command);
    add_spi_commands(app, line->command);
    add_io_commands(app, line->command);
    add_hid_commands(app, line->command);
    if (!for_batch) {
        add_sim_run_command(app, line->command);
    }
    return line;
}

}  // namespace tess
