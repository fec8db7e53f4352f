#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "process.hpp"
#include "tool_error.hpp"

namespace tess::process {

void set_environment(const char *name, const std::string &value) {
    (void)::setenv(name, value.c_str(), 1);
}

void unset_environment(const char *name) { (void)::unsetenv(name); }

std::string own_executable() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        throw ToolError(ExitCode::Environment,
                        std::string("cannot find the tool's own executable: ") +
                            std::strerror(errno));
    }
    path.resize(static_cast<std::size_t>(length));
    return path;
}

void replace_with(const std::string &program, const std::vector<std::string> &arguments) {
    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    (void)std::fflush(nullptr);
    ::execvp(program.c_str(), argv.data());
    throw bad_argument("cannot run '" + program + "': " + std::strerror(errno),
                       "give the path of a program, for example ./my_host");
}

}  // namespace tess::process
