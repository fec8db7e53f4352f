// LoadLibrary and GetProcAddress. A library named by path is loaded with its
// own folder searched for the DLLs it imports (tessbridge.dll's wdapi801.dll);
// one named by file name is searched for as Windows does: the tool's folder,
// the system folders, then PATH.
#include <windows.h>

#include "shared_library.hpp"

namespace tess {

const char *const kTessbridgeLibrary = "tessbridge.dll";
const char *const kTesslinkLibrary = "tesslink.dll";
const char *const kToolkitLibrary = "wdapi801.dll";

namespace {

std::string system_message(DWORD error) {
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(error);
    if (length > 0 && text != nullptr) {
        message = text;
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                    message.back() == ' ' || message.back() == '.')) {
            message.pop_back();
        }
    }
    LocalFree(text);
    return message;
}

void *export_address(HMODULE module, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(module, name));
}

}  // namespace

void *open_library(const std::string &name, Symbols /*symbols*/, const std::string &hint) {
    const bool has_folder = name.find_first_of("/\\") != std::string::npos;
    HMODULE module =
        LoadLibraryExA(name.c_str(), nullptr, has_folder ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    if (module == nullptr) {
        throw ToolError(ExitCode::Environment,
                        "cannot load " + name + ": " + system_message(GetLastError()), hint);
    }
    return module;
}

void *find_export(void *library, const char *name) {
    return export_address(static_cast<HMODULE>(library), name);
}

LoadedLibrary loaded_library(const char *name, const char *symbol, const char *other) {
    LoadedLibrary loaded;
    HMODULE module = GetModuleHandleA(name);
    if (module == nullptr || export_address(module, symbol) == nullptr) {
        return loaded;
    }
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length > 0 && length < sizeof path) {
        loaded.file.assign(path, length);
    }
    loaded.has_other = export_address(module, other) != nullptr;
    return loaded;
}

}  // namespace tess
