// Checking that a call through a function pointer left the stack pointer where
// it was: a callee of another calling convention than the pointer's type (a
// __stdcall function called as __cdecl, or the other way round) moves it by
// the bytes of its arguments. Built at -O0, so that nothing but the call lies
// between the two readings.
#pragma once

#include <cstdint>
#include <string>

#if defined(__i386__)
#define TB_READ_SP(into) __asm__ volatile("movl %%esp, %0" : "=r"(into))
#else
#define TB_READ_SP(into) __asm__ volatile("movq %%rsp, %0" : "=r"(into))
#endif

namespace wintest {

// Collects the checks of one run and prints each.
class Report {
public:
    void check(bool ok, const std::string &what);
    // A call, the stack pointer read before and after it, and what was wrong
    // with its result (empty when nothing was).
    void call(const std::string &label, std::uintptr_t before, std::uintptr_t after,
              const std::string &wrong_result = "");
    [[nodiscard]] int failures() const { return failures_; }

private:
    int failures_ = 0;
};

// Empty when `got` is `expected`, else what was returned instead.
template <typename Value>
std::string mismatch(Value got, Value expected) {
    return got == expected ? ""
                           : "returned " + std::to_string(static_cast<long long>(got)) +
                                 ", not " + std::to_string(static_cast<long long>(expected));
}

}  // namespace wintest

// Makes `expression` (a call), reading the stack pointer right before and
// right after it.
#define TB_STACK_CHECKED(report, label, expression)   \
    do {                                              \
        std::uintptr_t sp_before_ = 0;                \
        std::uintptr_t sp_after_ = 0;                 \
        TB_READ_SP(sp_before_);                       \
        expression;                                   \
        TB_READ_SP(sp_after_);                        \
        (report).call(label, sp_before_, sp_after_);  \
    } while (0)

// The same for a call with a result, which must equal `expected`.
#define TB_CALL_EXPECT(report, expected, expression)                                    \
    do {                                                                                \
        using Result_ = decltype(expression);                                           \
        Result_ result_{};                                                              \
        std::uintptr_t sp_before_ = 0;                                                  \
        std::uintptr_t sp_after_ = 0;                                                   \
        TB_READ_SP(sp_before_);                                                         \
        result_ = (expression);                                                         \
        TB_READ_SP(sp_after_);                                                          \
        (report).call(#expression " -> " #expected, sp_before_, sp_after_,              \
                      wintest::mismatch(result_, static_cast<Result_>(expected)));      \
    } while (0)
