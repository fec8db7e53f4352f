// The by-ordinal callers of the DLLs: each loads its DLL, checks its export
// table from inside (export_lookup.hpp) and calls every export through a
// pointer of its declared type, checking the stack pointer across each call.
#pragma once

#include "export_lookup.hpp"
#include "stack_check.hpp"

namespace wintest {

void call_tessbridge(const char *dll, Report &report);
void call_toolkit(const char *dll, Report &report);
void call_tesslink(const char *dll, Report &report);

}  // namespace wintest
