// A DLL loaded with LoadLibrary, each export of its export table resolved by
// ordinal and by name.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "stack_check.hpp"

namespace wintest {

// One line of an export table (tessbridge/tessbridge.exports), as built for
// this architecture: `exported` is the name in the DLL's table.
struct ExportEntry {
    int ordinal;
    const char *exported;
    const char *function;
    const char *convention;  // stdcall, cdecl or jni
    int bytes;
};

class LoadedDll {
public:
    // Loads the DLL and checks, into `report`: each export resolves by ordinal
    // and by name to the same address; every other ordinal up to one past the
    // highest is empty; the names a wrong decoration would give do not
    // resolve; the loaded export directory counts exactly the table's slots
    // and names.
    LoadedDll(const char *dll, std::span<const ExportEntry> table, Report &report);
    ~LoadedDll();
    LoadedDll(const LoadedDll &) = delete;
    LoadedDll &operator=(const LoadedDll &) = delete;

    [[nodiscard]] bool loaded() const { return module_ != nullptr; }

    // The export whose function in the code is `function`, as a pointer of
    // type Function (null when it did not resolve).
    template <typename Function>
    Function get(const char *function) const {
        return reinterpret_cast<Function>(find(function));
    }

private:
    [[nodiscard]] void *find(const char *function) const;
    void check_directory(Report &report) const;

    HMODULE module_ = nullptr;
    std::span<const ExportEntry> table_;
};

}  // namespace wintest
