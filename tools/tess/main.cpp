// tess: the command-line tool for the Tessbridge and Tesslink adapters.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "batch_file.hpp"
#include "command_line.hpp"
#include "hid_simulation.hpp"
#include "output.hpp"
#include "session.hpp"
#include "tool_error.hpp"

namespace {

using namespace tess;

bool needs_hid(Needs needs) { return needs == Needs::Hid || needs == Needs::Both; }

int report(const ToolError &error, const Output &out) {
    Output::error(error.what(), error.hint());
    out.result(Json::object({{"error", Json::object({{"exit_code", static_cast<int>(error.code())},
                                                     {"message", error.what()},
                                                     {"hint", error.hint()}})}}));
    return static_cast<int>(error.code());
}

// tess sim-run ...: everything after "sim-run" (and an optional "--") is the
// program to run and its arguments, options included.
int sim_run(const std::vector<std::string> &words, CLI::App &app) {
    std::vector<std::string> program(words.begin() + 1, words.end());
    if (!program.empty() && program.front() == "--") {
        program.erase(program.begin());
    } else if (!program.empty() && (program.front() == "--help" || program.front() == "-h")) {
        std::cout << app.get_subcommand("sim-run")->help();
        return 0;
    }
    try {
        run_program_simulated(program);
    } catch (const ToolError &error) {
        Output::error(error.what(), error.hint());
        return static_cast<int>(error.code());
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    auto line = make_command_line(false);
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (!words.empty() && words.front() == "sim-run") {
        return sim_run(words, *line->app);
    }
    try {
        line->app->parse(argc, argv);
    } catch (const CLI::CallForHelp &) {
        std::cout << line->app->help();
        return 0;
    } catch (const CLI::CallForAllHelp &) {
        std::cout << line->app->help("", CLI::AppFormatMode::All);
        return 0;
    } catch (const CLI::CallForVersion &) {
        std::cout << line->app->version() << '\n';
        return 0;
    } catch (const CLI::ParseError &error) {
        // A mistyped command leaves its word unparsed; name it rather than only
        // saying that a command is missing.
        const std::vector<std::string> unparsed = line->app->remaining();
        const std::string what = dynamic_cast<const CLI::RequiredError *>(&error) != nullptr &&
                                         !unparsed.empty()
                                     ? "unknown command '" + unparsed.front() + "'"
                                     : std::string(error.what());
        Output::error(what, "tess --help lists the commands and options; tess <command> --help "
                            "explains one");
        return static_cast<int>(ExitCode::BadArgument);
    } catch (const ToolError &error) {
        Output::error(error.what(), error.hint());
        return static_cast<int>(error.code());
    }

    const GlobalOptions &options = line->options;
    const Output out(options.json);
    try {
        std::vector<BatchLine> commands;
        if (!line->batch_file.empty()) {
            // A batch may need the HID adapter on any line, and standard input can
            // be read once only: with --sim, move under umockdev before reading.
            if (options.sim && HidSimulation::available() && !HidSimulation::under_umockdev()) {
                HidSimulation::restart_under_umockdev(words);
            }
            commands = read_batch(line->batch_file);
        } else {
            commands.push_back({"", *line->command});
        }
        bool hid = false;
        for (const BatchLine &command : commands) {
            hid = hid || needs_hid(command.command.needs);
        }

        Session session(options);
        if (options.sim && hid && HidSimulation::available()) {
            if (!HidSimulation::under_umockdev()) {
                HidSimulation::restart_under_umockdev(words);
                throw ToolError(ExitCode::Environment,
                                "cannot start umockdev-wrapper for the simulated HID adapter",
                                "install umockdev (Debian: umockdev), or run the tool under "
                                "umockdev-wrapper yourself");
            }
            session.prepare_hid_simulation();
        }

        Context context{session, out};
        bool first = true;
        for (const BatchLine &command : commands) {
            if (!command.text.empty() && !out.json()) {
                out.text(first ? "" : "\n");
                out.line("$ tess " + command.text);
            }
            first = false;
            session.begin_command();
            try {
                command.command.run(context);
            } catch (const ToolError &error) {
                session.end_command();
                if (!command.keep_going) {
                    throw;
                }
                (void)report(error, out);
            } catch (...) {
                session.end_command();
                throw;
            }
            session.end_command();
        }
        (void)std::fflush(stdout);
        return 0;
    } catch (const ToolError &error) {
        return report(error, out);
    } catch (const std::exception &error) {
        return report(ToolError(ExitCode::BusError, std::string("unexpected failure: ") + error.what()),
                      out);
    }
}
