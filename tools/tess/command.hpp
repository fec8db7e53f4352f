// What a subcommand is: the runner the parser picks, and what it needs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "output.hpp"
#include "session.hpp"
#include "tool_error.hpp"

namespace CLI {
class App;
}

namespace tess {

struct Context {
    Session &session;
    Output &out;
};

// Which adapters a command talks to; decides whether --sim needs umockdev.
enum class Needs : std::uint8_t { Nothing, Bulk, Hid, Both };

// What a command does once its options have been checked.
using Runner = std::function<void(Context &)>;

struct Command {
    Runner run;
    Needs needs = Needs::Nothing;
};

// The command chosen by the parser (empty until a subcommand's callback sets it).
using CommandSlot = std::optional<Command>;

// Each command family adds its subcommands to `app`; parsing one checks its
// options and sets `slot` (a bad option throws ToolError during the parse).
void add_list_command(CLI::App &app, CommandSlot &slot);
void add_i2c_commands(CLI::App &app, CommandSlot &slot);
void add_i2c_recover_command(CLI::App &i2c, CommandSlot &slot);
void add_spi_commands(CLI::App &app, CommandSlot &slot);
void add_io_commands(CLI::App &app, CommandSlot &slot);
void add_hid_commands(CLI::App &app, CommandSlot &slot);
void add_sim_run_command(CLI::App &app, CommandSlot &slot);

inline constexpr const char *kSimRunUsage = "tess sim-run [--] PROGRAM [ARGS...]";
// tess sim-run: runs `program` (its name, then its arguments) against the
// simulated adapters in place of this process. Returns only by throwing ToolError.
void run_program_simulated(const std::vector<std::string> &program);

// ---- checks after a bridge library call --------------------------------

// Throws BusError when the library presented messages (transfer failures)
// during the call; `context` says what was being done.
void check_bridge_messages(Context &context, const std::string &what);
// Throws the status's error when `status` is not 0 (or messages came).
void check_bridge_status(Context &context, std::uint8_t status, const std::string &what);
// Throws BusError when `sent` is false (or messages came).
void check_bridge_sent(Context &context, bool sent, const std::string &what);

}  // namespace tess
