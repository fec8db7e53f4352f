// Loading a shared library at run time and finding its functions: dlopen on
// Linux, LoadLibrary on Windows. The one place where the tests, benchmarks and
// fuzzers differ by platform in how they reach a library.
#pragma once

#include <string>

namespace tbtest {

// The library at `path` (on Windows a DLL name, found on the search path), or
// null; library_error() then says why.
void *open_library(const char *path);
std::string library_error();
// The address of the export `name`, or null.
void *find_export(void *library, const char *name);
void close_library(void *library);
// Whether the library at `path` is loaded in this process.
bool library_is_loaded(const char *path);

}  // namespace tbtest
