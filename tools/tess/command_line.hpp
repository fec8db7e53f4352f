// The command line: global options and every subcommand, on CLI11.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command.hpp"
#include "session.hpp"

namespace CLI {
class App;
class ParseError;
}

namespace tess {

// The help text's section on exit codes (also in docs/tool.md).
extern const char *const kExitCodeHelp;

struct CommandLine {
    std::unique_ptr<CLI::App> app;
    GlobalOptions options;
    CommandSlot command;
    std::string batch_file;                              // set by `tess batch`
    std::optional<std::vector<std::string>> help_topic;  // set by `tess help [COMMAND...]`
    bool man_page = false;                               // `tess help --man`
};

// The parser with global options and all subcommands. With `for_batch` set it
// parses one line of a batch: only commands, and global options are refused.
std::unique_ptr<CommandLine> make_command_line(bool for_batch);

// The error to report for a command line (`words`, after "tess") that the
// parser refused.
ToolError parse_failure(const CLI::ParseError &error, const CLI::App &app,
                        const std::vector<std::string> &words);

// Refuses --sim-* options given without --sim. Throws ToolError (BadArgument).
void check_global_options(const GlobalOptions &options);

// The help of the command named by `topic` ("i2c", "get"), or of the tool.
// Throws ToolError (BadArgument) for a command that does not exist.
std::string help_text(const CLI::App &app, const std::vector<std::string> &topic);
// The help of `command`, whose usage line names it `path` ("tess i2c get").
std::string help_of(const CLI::App &command, const std::string &path);

}  // namespace tess
