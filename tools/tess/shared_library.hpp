// Loading the libraries the tool drives, with the tool's errors. One backend
// per platform: shared_library_posix.cpp (dlopen) and shared_library_win32.cpp
// (LoadLibrary).
#pragma once

#include <string>

#include "tool_error.hpp"

namespace tess {

// The names the libraries are loaded by on this platform.
extern const char *const kTessbridgeLibrary;  // libtessbridge.so, tessbridge.dll
extern const char *const kTesslinkLibrary;    // libtesslink.so, tesslink.dll
extern const char *const kToolkitLibrary;     // libwdapi801.so, wdapi801.dll

// Whether the library's exports serve the libraries loaded after it (the
// simulated toolkit for libtessbridge). On Windows a loaded DLL always serves
// later imports of its name, so both are the same there.
enum class Symbols { Local, Global };

// Opens a shared library by name or path; throws ToolError (Environment) with
// the loader's reason and `hint`.
void *open_library(const std::string &name, Symbols symbols, const std::string &hint);

// The address of an export, or null when the library has none of that name.
void *find_export(void *library, const char *name);

// Resolves an export into a function pointer of the type `Function`.
template <class Function>
void resolve(void *library, const char *library_name, const char *name, Function &function) {
    void *address = find_export(library, name);
    if (address == nullptr) {
        throw ToolError(ExitCode::Environment,
                        std::string(library_name) + " has no export " + name,
                        "the library is older than this tool; install matching versions");
    }
    function = reinterpret_cast<Function>(address);
}

// The file of an already loaded library, found by its name through one of its
// exports; empty when no such library is loaded. `has_other` tells whether it
// also exports `other` (which of two libraries of the same name it is).
struct LoadedLibrary {
    std::string file;
    bool has_other = false;
};
LoadedLibrary loaded_library(const char *name, const char *symbol, const char *other);

}  // namespace tess
