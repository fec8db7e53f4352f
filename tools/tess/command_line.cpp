#include "command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>

#include "numbers.hpp"
#include "subcommands.hpp"

namespace tess {

const char *const kExitCodeHelp =
    "Exit codes:\n"
    "  0  success\n"
    "  1  bus error: no acknowledge, bus busy, a bus function off, or a transfer to the adapter "
    "failed\n"
    "  2  bad argument: the command was refused before it sent anything\n"
    "  3  no adapter: none attached, or none with the --serial asked for\n"
    "  4  environment: a library or the simulation could not be loaded\n"
    "  5  output: a result could not be written (a file, standard output)\n"
    "  6  undecoded: the device answered in a format tess does not decode\n";

namespace {

const char *const kGlobalsForBulk =
    "--serial N, --json, --sim, --sim-log, --sim-hold-sda N, --sim-fail-out N";
const char *const kGlobalsForHid = "--json, --sim";

void add_batch_command(CLI::App &app, CommandLine &line) {
    auto *batch = app.add_subcommand(
        "batch", "Run commands from a file (or - for standard input), one per line, against "
                 "the same adapters; with --sim the simulated devices keep their state from "
                 "line to line");
    batch->add_option("file", line.batch_file,
                      "File of commands, one per line as after 'tess': '#' starts a comment; a "
                      "leading '-' lets the batch go on when that line fails")
        ->type_name("FILE")
        ->required();
    batch->callback([&line] { line.command = Command{nullptr, Needs::Nothing}; });
    describe(batch, Needs::Both,
             {"tess --sim batch commands.txt", "printf 'power 3v on\\ni2c scan\\n' | tess batch -"});
    batch->footer(batch->get_footer() +
                  "\nEvery line is checked before the first runs; an error names FILE:LINE.\n"
                  "Global options go before 'batch' and hold for every line.\n");
}

void add_help_command(CLI::App &app, CommandLine &line) {
    auto *help = app.add_subcommand("help", "Show the help of the tool or of a command");
    auto topic = std::make_shared<std::vector<std::string>>();
    help->add_option("command", *topic, "The command, as typed after 'tess'")
        ->type_name("COMMAND...");
    help->add_flag("--man", line.man_page, "Print the manual page (roff) instead")
        ->group("");
    help->callback([&line, topic] {
        line.help_topic = *topic;
        line.command = Command{nullptr, Needs::Nothing};
    });
    help->footer("\nExamples:\n  tess help\n  tess help i2c get\n");
}

void add_global_options(CLI::App &app, CommandLine &line) {
    app.set_version_flag("--version", "tess " TESS_VERSION);
    app.add_option_function<std::string>(
           "--serial",
           [&line](const std::string &text) {
               line.options.serial = static_cast<std::int32_t>(
                   parse_number(text, "serial number", -1, 2147483647));
           },
           "Bulk adapter to use, by its serial number (see 'tess list')")
        ->type_name("N");
    app.add_flag("--json", line.options.json, "Print results as JSON, one document per command");
    app.add_flag("--sim", line.options.sim,
                 "Use simulated adapters with device models instead of hardware");
    auto given = [&line](const char *name) {
        if (line.options.sim_option.empty()) {
            line.options.sim_option = name;
        }
    };
    app.add_flag_callback(
           "--sim-log",
           [&line, given] {
               given("--sim-log");
               line.options.sim_log = true;
           },
           "With --sim: print the bulk transfers of each command to standard error")
        ->group("Simulation");
    auto add_count = [&app, given](const char *name, unsigned &count, const char *help) {
        app.add_option_function<std::string>(
               name,
               [given, name, &count](const std::string &text) {
                   given(name);
                   count = static_cast<unsigned>(parse_number(text, name, 0, 1000000));
               },
               help)
            ->type_name("N")
            ->group("Simulation");
    };
    add_count("--sim-hold-sda", line.options.sim_hold_sda_clocks,
              "With --sim: the 24C02 holds SDA low until it has seen N SCL clocks");
    add_count("--sim-fail-out", line.options.sim_fail_out,
              "With --sim: the Nth command packet sent to the bulk adapter fails");
}

// A batch line names a command only: a global option there is refused.
void refuse_global_options(CLI::App &app) {
    auto refuse = [](const std::string &name) {
        return bad_argument(name + " is a global option and has no place on a batch line",
                            "give it before 'batch' (tess " + name +
                                (name == "--serial" || name.rfind("--sim-", 0) == 0 ? " N" : "") +
                                " batch FILE); it then holds for every line");
    };
    for (const char *flag : {"--json", "--sim", "--sim-log"}) {
        const std::string name = flag;
        app.add_flag_callback(name, [refuse, name] { throw refuse(name); })->group("");
    }
    for (const char *option : {"--serial", "--sim-hold-sda", "--sim-fail-out"}) {
        const std::string name = option;
        app.add_option_function<std::string>(name, [refuse, name](const std::string &) {
               throw refuse(name);
           })->group("");
    }
    app.add_flag_callback("--version", [refuse] { throw refuse("--version"); })->group("");
}

const CLI::App *find_subcommand(const CLI::App &app, const std::string &name) {
    for (const CLI::App *command : app.get_subcommands({})) {
        if (command->get_name() == name) {
            return command;
        }
    }
    return nullptr;
}

}  // namespace

void describe(CLI::App *command, Needs needs, const std::vector<std::string> &examples) {
    std::string footer = "\nGlobal options it takes (before or after the command): ";
    switch (needs) {
        case Needs::Bulk:
            footer += kGlobalsForBulk;
            break;
        case Needs::Hid:
            footer += kGlobalsForHid;
            break;
        case Needs::Both:
        case Needs::Nothing:
            footer += std::string(kGlobalsForBulk);
            break;
    }
    footer += " (see tess --help)\n";
    if (!examples.empty()) {
        footer += "\nExamples:\n";
        for (const std::string &example : examples) {
            footer += "  " + example + "\n";
        }
    }
    command->footer(footer);
}

void add_force_flag(CLI::App *command, bool &force) {
    command->add_flag("--force", force,
                      "Allow the reserved 7-bit addresses 0x00-0x07 and 0x78-0x7f");
}

void add_address(CLI::App *command, std::string &address, bool &force, const std::string &help) {
    command->add_option("address", address, help)
        ->type_name("ADDR")
        ->required();
    add_force_flag(command, force);
}

void add_bytes(CLI::App *command, std::vector<std::string> &values, std::string &text) {
    command->add_option("values", values, "Bytes, 0-255 each")->type_name("BYTE...");
    command->add_option("--text", text, "Send the characters of this text too (after the values)")
        ->type_name("TEXT");
}

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
               "\nI2C addresses are 7-bit (0x08-0x77; the reserved 0x00-0x07 and 0x78-0x7f need "
               "--force), as with i2c-tools;\nadd --ten-bit for 10-bit ones (0x000-0x3ff). Numbers "
               "are decimal, 0x hexadecimal or 0b binary.\n"
               "\n'tess help COMMAND...' or 'tess COMMAND --help' explains a command. The guide "
               "with examples:\ndocs/tool.md (installed as share/doc/tess/tool.md), and man tess.\n");
    if (for_batch) {
        refuse_global_options(app);
    } else {
        add_global_options(app, *line);
        add_batch_command(app, *line);
        add_help_command(app, *line);
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

namespace {

// CLI11 lists the arguments it did not expect last first; list them as typed.
// (A message that does not name them word by word is left as it is.)
std::string extras_as_typed(const std::string &message, const std::vector<std::string> &words) {
    const std::size_t colon = message.find(": ");
    if (colon == std::string::npos) {
        return message;
    }
    std::vector<std::pair<std::size_t, std::string>> placed;
    std::vector<bool> used(words.size(), false);
    std::size_t start = colon + 2;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find(' ', start), message.size());
        const std::string extra = message.substr(start, end - start);
        std::size_t at = 0;
        while (at < words.size() && (used[at] || words[at] != extra)) {
            ++at;
        }
        if (at == words.size()) {
            return message;
        }
        used[at] = true;
        placed.emplace_back(at, extra);
        start = end + 1;
    }
    std::ranges::sort(placed);
    std::string listed;
    for (const auto &entry : placed) {
        listed += (listed.empty() ? "" : " ") + entry.second;
    }
    return message.substr(0, colon + 2) + listed;
}

}  // namespace

ToolError parse_failure(const CLI::ParseError &error, const CLI::App &app,
                        const std::vector<std::string> &words) {
    // A mistyped command leaves its word unparsed; name it rather than only
    // saying that a command is missing.
    const std::vector<std::string> unparsed = app.remaining();
    std::string what = error.what();
    if (dynamic_cast<const CLI::RequiredError *>(&error) != nullptr && !unparsed.empty()) {
        what = "unknown command '" + unparsed.front() + "'";
    } else if (dynamic_cast<const CLI::ExtrasError *>(&error) != nullptr) {
        what = extras_as_typed(what, words);
    }
    return bad_argument(what, "tess --help lists the commands and options; tess help COMMAND "
                              "explains one");
}

void check_global_options(const GlobalOptions &options) {
    if (!options.sim && !options.sim_option.empty()) {
        throw bad_argument(options.sim_option + " works only with --sim",
                           "add --sim, or leave " + options.sim_option + " out");
    }
}

std::string help_of(const CLI::App &command, const std::string &path) {
    // The formatter itself: App::help() would show the help of the command
    // that was parsed (`help`) instead.
    return command.get_formatter()->make_help(&command, path, CLI::AppFormatMode::Normal);
}

std::string help_text(const CLI::App &app, const std::vector<std::string> &topic) {
    const CLI::App *command = &app;
    std::string path = "tess";
    for (const std::string &word : topic) {
        command = find_subcommand(*command, word);
        path += " " + word;
        if (command == nullptr) {
            throw bad_argument("there is no command '" + path + "'", "tess help lists the commands");
        }
    }
    return help_of(*command, path);
}

}  // namespace tess
