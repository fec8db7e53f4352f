#include "export_lookup.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace wintest {
namespace {

FARPROC by_ordinal(HMODULE module, int ordinal) {
    return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
}

// Names under which the export must not be found: the other decorations.
std::vector<std::string> wrong_names(const ExportEntry &entry) {
    const std::string name = entry.function;
    const std::string at = "@" + std::to_string(entry.bytes);
    std::vector<std::string> names{"_" + name, name + at, "_" + name + at};
    std::erase(names, std::string(entry.exported));
    if (name != entry.exported) {
        names.push_back(name);
    }
    return names;
}

}  // namespace

LoadedDll::LoadedDll(const char *dll, std::span<const ExportEntry> table, Report &report)
    : module_(LoadLibraryA(dll)), table_(table) {
    report.check(module_ != nullptr, std::string("LoadLibraryA(\"") + dll + "\")");
    if (module_ == nullptr) {
        return;
    }
    int highest = 0;
    for (const ExportEntry &entry : table_) {
        const FARPROC named = GetProcAddress(module_, entry.exported);
        std::string found_as;
        for (const std::string &wrong : wrong_names(entry)) {
            if (GetProcAddress(module_, wrong.c_str()) != nullptr) {
                found_as += " \"" + wrong + "\"";
            }
        }
        report.check(named != nullptr && named == by_ordinal(module_, entry.ordinal) &&
                         found_as.empty(),
                     "ordinal " + std::to_string(entry.ordinal) + " is \"" + entry.exported + "\"" +
                         (found_as.empty() ? "" : ", also found as" + found_as));
        highest = std::max(highest, entry.ordinal);
    }
    std::string filled;
    for (int ordinal = 1; ordinal <= highest + 1; ++ordinal) {
        const bool listed = std::any_of(table_.begin(), table_.end(), [&](const ExportEntry &e) {
            return e.ordinal == ordinal;
        });
        if (!listed && by_ordinal(module_, ordinal) != nullptr) {
            filled += " " + std::to_string(ordinal);
        }
    }
    report.check(filled.empty(), "every other ordinal up to " + std::to_string(highest + 1) +
                                     " is empty" + (filled.empty() ? "" : ", not" + filled));
    check_directory(report);
}

LoadedDll::~LoadedDll() {
    if (module_ != nullptr) {
        FreeLibrary(module_);
    }
}

void *LoadedDll::find(const char *function) const {
    for (const ExportEntry &entry : table_) {
        if (std::strcmp(entry.function, function) == 0) {
            return reinterpret_cast<void *>(GetProcAddress(module_, entry.exported));
        }
    }
    return nullptr;
}

void LoadedDll::check_directory(Report &report) const {
    const auto *base = reinterpret_cast<const unsigned char *>(module_);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &data =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto *directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + data.VirtualAddress);
    DWORD highest = 0;
    for (const ExportEntry &entry : table_) {
        highest = std::max(highest, static_cast<DWORD>(entry.ordinal));
    }
    report.check(directory->Base == 1 && directory->NumberOfFunctions == highest &&
                     directory->NumberOfNames == table_.size(),
                 "export directory: base 1, " + std::to_string(highest) + " slots, " +
                     std::to_string(table_.size()) + " names (has " +
                     std::to_string(directory->Base) + ", " +
                     std::to_string(directory->NumberOfFunctions) + ", " +
                     std::to_string(directory->NumberOfNames) + ")");
}

}  // namespace wintest
