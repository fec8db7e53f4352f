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

// A DLL may hold itself a little longer: tessbridge.dll's start-up thread lets
// go of it only as it ends, a moment after the start-up is over. The unload is
// complete once it has (2 s at most).
void close_library(void *library) {
    const HMODULE module = static_cast<HMODULE>(library);
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    ::FreeLibrary(module);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const ULONGLONG deadline = ::GetTickCount64() + 2000;
    while (::GetModuleHandleA(path) != nullptr && ::GetTickCount64() < deadline) {
        ::Sleep(1);
    }
}

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
