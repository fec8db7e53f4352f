// Windows: the environment through the C runtime, the executable's path from
// the loader. No program can take over a Windows process in place, so
// replace_with is refused (only sim-run and the HID adapter's simulation use
// it, and neither is offered on Windows).
#include <windows.h>

#include <cstdlib>

#include "process.hpp"
#include "tool_error.hpp"

namespace tess::process {

void set_environment(const char *name, const std::string &value) {
    (void)_putenv_s(name, value.c_str());
}

void unset_environment(const char *name) { (void)_putenv_s(name, ""); }

std::string own_executable() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
        if (length == 0) {
            throw ToolError(ExitCode::Environment, "cannot find the tool's own executable: error " +
                                                       std::to_string(GetLastError()));
        }
        if (length < size) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void replace_with(const std::string &program, const std::vector<std::string> & /*arguments*/) {
    throw ToolError(ExitCode::Environment,
                    "cannot run '" + program + "' in place of the tool on Windows",
                    "run the program yourself");
}

}  // namespace tess::process
