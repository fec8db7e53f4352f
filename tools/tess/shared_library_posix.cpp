#include <dlfcn.h>

#include "shared_library.hpp"

namespace tess {

const char *const kTessbridgeLibrary = "libtessbridge.so";
const char *const kTesslinkLibrary = "libtesslink.so";
const char *const kToolkitLibrary = "libwdapi801.so";

void *open_library(const std::string &name, Symbols symbols, const std::string &hint) {
    const int scope = symbols == Symbols::Global ? RTLD_GLOBAL : RTLD_LOCAL;
    void *handle = ::dlopen(name.c_str(), RTLD_NOW | scope);
    if (handle == nullptr) {
        const char *reason = ::dlerror();
        throw ToolError(ExitCode::Environment,
                        "cannot load " + name + ": " + (reason ? reason : "unknown reason"), hint);
    }
    return handle;
}

void *find_export(void *library, const char *name) { return ::dlsym(library, name); }

LoadedLibrary loaded_library(const char *name, const char *symbol, const char *other) {
    LoadedLibrary loaded;
    void *handle = ::dlopen(name, RTLD_NOW | RTLD_NOLOAD);
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
