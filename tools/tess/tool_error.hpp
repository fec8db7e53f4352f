// The tool's exit codes and the error that carries one to main().
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace tess {

// What the process returns. Scripts rely on these values: keep them stable.
enum class ExitCode : int {
    Success = 0,
    BusError = 1,       // the adapter reported a failed transaction, or a transfer failed
    BadArgument = 2,    // the command line is wrong; nothing was sent
    NoAdapter = 3,      // no adapter attached, or none with the serial number asked for
    Environment = 4,    // a library or the simulation could not be loaded
    Output = 5,         // a result could not be written (a file, standard output)
    Undecoded = 6,      // the device answered in a format the tool does not decode
};

// A failure with what went wrong and what to try. Thrown by commands, caught in
// main(), which prints both and exits with the code.
class ToolError : public std::runtime_error {
public:
    ToolError(ExitCode code, const std::string &what, std::string hint = {})
        : std::runtime_error(what), code_(code), hint_(std::move(hint)) {}

    [[nodiscard]] ExitCode code() const { return code_; }
    [[nodiscard]] const std::string &hint() const { return hint_; }

private:
    ExitCode code_;
    std::string hint_;
};

inline ToolError bad_argument(const std::string &what, std::string hint = {}) {
    return {ExitCode::BadArgument, what, std::move(hint)};
}

// The system's text for an errno value ("No space left on device").
std::string system_reason(int error_number);

}  // namespace tess
