// Helpers for the files that add subcommands to the parser.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "command.hpp"

namespace tess {

// Adds the subcommand `name` to `parent`, with its options in `options`. At
// the end of a parse that chose it, `prepare` checks the options (throwing
// ToolError) and returns what the command does; so a batch refuses a bad line
// before any line runs.
template <class Options>
CLI::App *add_command(CLI::App &parent, CommandSlot &slot, const std::string &name,
                      const std::string &help, Needs needs, Runner (*prepare)(const Options &),
                      std::shared_ptr<Options> &options) {
    auto *command = parent.add_subcommand(name, help);
    options = std::make_shared<Options>();
    command->callback([&slot, options, prepare, needs] { slot = Command{prepare(*options), needs}; });
    return command;
}

// Ends a command's help with the global options it takes and its examples.
void describe(CLI::App *command, Needs needs, const std::vector<std::string> &examples);

// --force: lets an address of the reserved ranges through.
void add_force_flag(CLI::App *command, bool &force);
// The device address operand, described by `help`, and --force.
void add_address(CLI::App *command, std::string &address, bool &force, const std::string &help);
// The bytes to send: numbers as operands, then the characters of --text.
void add_bytes(CLI::App *command, std::vector<std::string> &values, std::string &text);

}  // namespace tess
