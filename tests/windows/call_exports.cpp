// call_exports <tessbridge|wdapi801|tesslink> <dll>: checks one DLL's export
// table and calling conventions (call_exports.hpp). Exits 0 when every check
// passed.
#include <cstdio>
#include <cstring>

#include "call_exports.hpp"

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: call_exports tessbridge|wdapi801|tesslink DLL\n");
        return 2;
    }
    wintest::Report report;
    if (std::strcmp(argv[1], "tessbridge") == 0) {
        wintest::call_tessbridge(argv[2], report);
    } else if (std::strcmp(argv[1], "wdapi801") == 0) {
        wintest::call_toolkit(argv[2], report);
    } else if (std::strcmp(argv[1], "tesslink") == 0) {
        wintest::call_tesslink(argv[2], report);
    } else {
        std::fprintf(stderr, "call_exports: unknown DLL kind %s\n", argv[1]);
        return 2;
    }
    std::printf("%s: %d failure(s)\n", report.failures() == 0 ? "passed" : "FAILED",
                report.failures());
    return report.failures() == 0 ? 0 : 1;
}
