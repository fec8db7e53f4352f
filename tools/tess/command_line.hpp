// The command line: global options and every subcommand, on CLI11.
#pragma once

#include <memory>
#include <string>

#include "command.hpp"
#include "session.hpp"

namespace CLI {
class App;
}

namespace tess {

// The help text's section on exit codes (also in docs/tool.md).
extern const char *const kExitCodeHelp;

struct CommandLine {
    std::unique_ptr<CLI::App> app;
    GlobalOptions options;
    CommandSlot command;
    std::string batch_file;  // set by `tess batch`
};

// The parser with global options and all subcommands. With `for_batch` set it
// has no global options (a batch line names only a command).
std::unique_ptr<CommandLine> make_command_line(bool for_batch);

}  // namespace tess
