#include "shared_library.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tbtest {

#ifdef _WIN32

void *open_library(const char *path) { return ::LoadLibraryA(path); }

std::string library_error() { return "LoadLibrary error " + std::to_string(::GetLastError()); }

void *find_export(void *library, const char *name) {
    return reinterpret_cast<void *>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void close_library(void *library) { ::FreeLibrary(static_cast<HMODULE>(library)); }

bool library_is_loaded(const char *path) { return ::GetModuleHandleA(path) != nullptr; }

#else

void *open_library(const char *path) { return ::dlopen(path, RTLD_NOW | RTLD_LOCAL); }

std::string library_error() {
    const char *text = ::dlerror();
    return text != nullptr ? text : "";
}

void *find_export(void *library, const char *name) { return ::dlsym(library, name); }

void close_library(void *library) { ::dlclose(library); }

bool library_is_loaded(const char *path) {
    void *library = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) {
        return false;
    }
    ::dlclose(library);  // RTLD_NOLOAD still counted a reference
    return true;
}

#endif

}  // namespace tbtest
