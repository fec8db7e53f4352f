// dlopen/dlsym with the tool's errors.
#pragma once

#include <dlfcn.h>

#include <string>

#include "tool_error.hpp"

namespace tess {

// Opens a shared library by name or path; throws ToolError (Environment) with
// the loader's reason.
inline void *open_library(const std::string &name, int flags, const std::string &hint) {
    void *handle = ::dlopen(name.c_str(), flags);
    if (handle == nullptr) {
        const char *reason = ::dlerror();
        throw ToolError(ExitCode::Environment,
                        "cannot load " + name + ": " + (reason ? reason : "unknown reason"), hint);
    }
    return handle;
}

// Resolves an export into a function pointer of the type `Function`.
template <class Function>
void resolve(void *library, const char *library_name, const char *name, Function &function) {
    void *address = ::dlsym(library, name);
    if (address == nullptr) {
        throw ToolError(ExitCode::Environment,
                        std::string(library_name) + " has no export " + name,
                        "the library is older than this tool; install matching versions");
    }
    function = reinterpret_cast<Function>(address);
}

// The file of an already loaded library, found by its soname through one of
// its exports; empty when no such library is loaded. `has_other` tells whether
// it also exports `other` (which of two libraries of the same name it is).
struct LoadedLibrary {
    std::string file;
    bool has_other = false;
};
inline LoadedLibrary loaded_library(const char *soname, const char *symbol, const char *other) {
    LoadedLibrary loaded;
    void *handle = ::dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return loaded;
    }
    Dl_info info{};
    void *address = ::dlsym(handle, symbol);
    if (address != nullptr && ::dladdr(address, &info) != 0 && info.dli_fname != nullptr) {
        loaded.file = info.dli_fname;
    }
    loaded.has_other = ::dlsym(handle, other) != nullptr;
    (void)::dlclose(handle);  // the reference dlopen added
    return loaded;
}

}  // namespace tess
