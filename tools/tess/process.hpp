// The few things the tool asks of the operating system about its own process:
// environment variables, its own executable, and running another program in
// its place. Kept here so that the rest of the tool stays portable.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace tess::process {

// The variable's value, or nullopt when it is not set.
inline std::optional<std::string> environment(const char *name) {
    const char *value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}
void set_environment(const char *name, const std::string &value);
void unset_environment(const char *name);

// The path of the running executable. Throws ToolError (Environment).
std::string own_executable();

// Runs `program` (searched on PATH when it names no folder) with `arguments`
// (argument 0 first) in place of this process. Returns only by throwing
// ToolError: BadArgument when the program cannot be run, with the reason.
[[noreturn]] void replace_with(const std::string &program,
                               const std::vector<std::string> &arguments);

}  // namespace tess::process
