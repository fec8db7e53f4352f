/*
 * What the C programs that load tesslink.dll and call its exports share: the
 * export names as a DLL of this width carries them, a check that prints its
 * outcome, and calls that compare the stack pointer before and after.
 *
 * These programs are built without optimisation (see CMakeLists.txt): each
 * call site then restores the stack pointer right after the call exactly as
 * its function pointer's calling convention says, so a callee of another
 * convention leaves the stack pointer moved.
 */
#ifndef TESSLINK_DLL_TEST_H
#define TESSLINK_DLL_TEST_H

#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

/* A Java native's exported name: decorated (__stdcall) on 32-bit Windows,
 * plain on 64-bit Windows. */
#if defined(__i386__)
#define NATIVE_NAME(method, bytes) "_Java_PMBus_" method "@" #bytes
#else
#define NATIVE_NAME(method, bytes) "Java_PMBus_" method
#endif

static int dll_test_failures;

static void check(int ok, const char *what) {
    printf("%-70s %s\n", what, ok ? "ok" : "FAIL");
    if (!ok) {
        ++dll_test_failures;
    }
}

/* Reads the stack pointer (ESP on i686, RSP on x86-64). */
#if defined(__i386__)
#define READ_STACK_POINTER(v) __asm__ volatile("movl %%esp, %0" : "=r"(v))
#else
#define READ_STACK_POINTER(v) __asm__ volatile("movq %%rsp, %0" : "=r"(v))
#endif

/* Stores the value of `call` in `result` and checks that the call left the
 * stack pointer where it was. */
#define CALL_KEEPING_STACK(label, result, call)                           \
    do {                                                                  \
        uintptr_t sp_before_, sp_after_;                                  \
        char what_[160];                                                  \
        READ_STACK_POINTER(sp_before_);                                   \
        (result) = (call);                                                \
        READ_STACK_POINTER(sp_after_);                                    \
        snprintf(what_, sizeof what_, "%s: stack pointer kept", (label)); \
        check(sp_before_ == sp_after_, what_);                            \
    } while (0)

/* Any function; cast to its own type before it is called. */
typedef void (*AnyFunction)(void);

/* The export at `ordinal`, checked to be the export named `name`. */
static AnyFunction export_at(HMODULE dll, int ordinal, const char *name) {
    FARPROC by_ordinal = GetProcAddress(dll, MAKEINTRESOURCEA(ordinal));
    FARPROC by_name = GetProcAddress(dll, name);
    char what[160];
    snprintf(what, sizeof what, "ordinal %d is %s", ordinal, name);
    check(by_ordinal != NULL && by_ordinal == by_name, what);
    return (AnyFunction)by_ordinal;
}

static HMODULE load_tesslink(void) {
    HMODULE dll = LoadLibraryA("tesslink.dll");
    check(dll != NULL, "tesslink.dll loads");
    return dll;
}

static int dll_test_result(void) {
    printf("%s: %d failure(s)\n", dll_test_failures ? "FAILED" : "PASSED", dll_test_failures);
    fflush(stdout);
    return dll_test_failures ? 1 : 0;
}

#endif /* TESSLINK_DLL_TEST_H */
