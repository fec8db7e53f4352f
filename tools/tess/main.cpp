// tess: the command-line tool for the Tessbridge and Tesslink adapters.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "batch_file.hpp"
#include "command_line.hpp"
#include "hid_simulation.hpp"
#include "man_page.hpp"
#include "output.hpp"
#include "session.hpp"
#include "tool_error.hpp"

namespace {

using namespace tess;

bool needs_hid(Needs needs) { return needs == Needs::Hid || needs == Needs::Both; }

// Help and version texts: exit 0 only when standard output took them.
int show(Output &out, const std::string &text) {
    out.plain(text);
    out.end_command();
    return 0;
}

// tess sim-run ...: everything after "sim-run" (and an optional "--") is the
// program to run and its arguments, options included.
int sim_run(const std::vector<std::string> &words, CLI::App &app, Output &out) {
    std::vector<std::string> program(words.begin() + 1, words.end());
    if (!program.empty() && program.front() == "--") {
        program.erase(program.begin());
    } else if (!program.empty() && (program.front() == "--help" || program.front() == "-h")) {
        return show(out, help_of(*app.get_subcommand("sim-run"), "tess sim-run"));
    }
    run_program_simulated(program);
    return 0;
}

// Runs the parsed command, or every line of the batch, and returns the exit code.
int run_commands(CommandLine &line, const std::vector<std::string> &words, Output &out) {
    const GlobalOptions &options = line.options;
    std::vector<BatchLine> commands;
    if (!line.batch_file.empty()) {
        // A batch may need the HID adapter on any line, and standard input can
        // be read once only: with --sim, move under umockdev before reading.
        if (options.sim && HidSimulation::available() && !HidSimulation::under_umockdev()) {
            HidSimulation::restart_under_umockdev(words);
        }
        commands = read_batch(line.batch_file);
    } else {
        commands.push_back({"", "", *line.command, false});
    }
    const bool hid = std::ranges::any_of(
        commands, [](const BatchLine &command) { return needs_hid(command.command.needs); });

    Session session(options);
    if (options.sim && hid && HidSimulation::available()) {
        if (!HidSimulation::under_umockdev()) {
            HidSimulation::restart_under_umockdev(words);
            throw ToolError(ExitCode::Environment,
                            "umockdev-wrapper did not put umockdev's preload library in place",
                            "install umockdev (Debian: umockdev), or run the tool under "
                            "umockdev-wrapper yourself");
        }
        session.prepare_hid_simulation();
    }

    Context context{session, out};
    bool first = true;
    for (const BatchLine &command : commands) {
        if (!command.text.empty()) {
            out.text(first ? "" : "\n");
            out.line("$ tess " + command.text);
        }
        first = false;
        session.begin_command();
        try {
            command.command.run(context);
            session.end_command();
            out.end_command();
        } catch (const ToolError &error) {
            session.end_command();
            const ToolError located =
                command.location.empty()
                    ? error
                    : ToolError(error.code(), command.location + ": " + error.what(), error.hint());
            // Output that cannot be written stops even a line that may fail.
            if (!command.keep_going || error.code() == ExitCode::Output) {
                return out.fail(located);
            }
            (void)out.fail(located);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    auto line = make_command_line(false);
    const std::vector<std::string> words(argv + 1, argv + argc);
    // Until the line is parsed, --json anywhere asks for JSON: a refused
    // command line gets its one document too.
    Output out(std::ranges::find(words, "--json") != words.end());
    try {
        if (!words.empty() && words.front() == "sim-run") {
            return sim_run(words, *line->app, out);
        }
        try {
            line->app->parse(argc, argv);
        } catch (const CLI::CallForHelp &) {
            return show(out, line->app->help());
        } catch (const CLI::CallForAllHelp &) {
            return show(out, line->app->help("", CLI::AppFormatMode::All));
        } catch (const CLI::CallForVersion &) {
            return show(out, line->app->version() + "\n");
        } catch (const CLI::ParseError &error) {
            throw parse_failure(error, *line->app, words);
        }
        out = Output(line->options.json);
        check_global_options(line->options);
        if (line->help_topic) {
            return show(out, line->man_page ? man_page(*line->app)
                                            : help_text(*line->app, *line->help_topic));
        }
        return run_commands(*line, words, out);
    } catch (const ToolError &error) {
        return out.fail(error);
    } catch (const std::exception &error) {
        return out.fail(
            ToolError(ExitCode::BusError, std::string("unexpected failure: ") + error.what()));
    }
}
