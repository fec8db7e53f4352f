#include <cstdio>

#include "stack_check.hpp"

namespace wintest {

void Report::check(bool ok, const std::string &what) {
    std::printf("%-76s %s\n", what.c_str(), ok ? "ok" : "FAILED");
    if (!ok) {
        ++failures_;
    }
}

void Report::call(const std::string &label, std::uintptr_t before, std::uintptr_t after,
                  const std::string &wrong_result) {
    const auto moved = static_cast<long long>(after - before);
    std::string problems = wrong_result;
    if (moved != 0) {
        problems += (problems.empty() ? "" : "; ") + std::string("stack pointer moved by ") +
                    std::to_string(moved);
    }
    check(problems.empty(), problems.empty() ? label : label + ": " + problems);
}

}  // namespace wintest
