/*
 * tesslink.dll as a program that binds by ordinal sees it: each of its 20
 * exports found at its ordinal and under its name (the same function), no
 * other name or ordinal, and each called through a pointer of its own calling
 * convention (the MPU functions __cdecl, the Java natives __stdcall) with the
 * stack pointer unchanged by the call. With no adapter attached every call
 * gives its not-found result. The natives get no JNI environment here: those
 * with an array are given none (null), which they refuse before touching the
 * environment; the JNI calls themselves are tesslink_jni_test.c's.
 */
#include "dll_test.h"

typedef unsigned short(__cdecl *U16Call)(void);
typedef unsigned char(__cdecl *U8Call)(void);
typedef int(__cdecl *IntCall)(void);
typedef unsigned short(__cdecl *SetClockCall)(unsigned int);
typedef unsigned char(__cdecl *SingleCall)(unsigned char, unsigned int, unsigned char *,
                                           unsigned char);
typedef unsigned char(__cdecl *BlockCall)(unsigned char, unsigned char, unsigned int,
                                          unsigned char *);
typedef short(__stdcall *JavaShortCall)(void *, void *);
typedef long(__stdcall *JavaIntCall)(void *, void *);
typedef signed char(__stdcall *JavaByteCall)(void *, void *);
typedef short(__stdcall *JavaSetClockCall)(void *, void *, long);
typedef signed char(__stdcall *JavaSingleCall)(void *, void *, long, long, void *, long);
typedef signed char(__stdcall *JavaBlockCall)(void *, void *, long, long, long, void *);

enum Kind {
    MPU_U16,
    MPU_U8,
    MPU_INT,
    MPU_SET_CLOCK,
    MPU_SINGLE_READ,
    MPU_SINGLE_WRITE,
    MPU_BLOCK_READ,
    MPU_BLOCK_WRITE,
    JAVA_SHORT,
    JAVA_INT,
    JAVA_BYTE,
    JAVA_SET_CLOCK,
    JAVA_SINGLE,
    JAVA_BLOCK,
};

struct Export {
    int ordinal;
    const char *name;
    enum Kind kind;
    long notFound; /* the result with no adapter attached */
};

static const struct Export exports[] = {
    {1, NATIVE_NAME("flashLED", 8), JAVA_SHORT, 255},
    {2, NATIVE_NAME("getDLLVersion", 8), JAVA_INT, 1032},
    {3, NATIVE_NAME("getDeviceVersion", 8), JAVA_SHORT, 0},
    {4, NATIVE_NAME("getFrequency", 8), JAVA_SHORT, 0},
    {5, NATIVE_NAME("read", 24), JAVA_SINGLE, -127},
    {6, NATIVE_NAME("readArray", 24), JAVA_BLOCK, -127},
    {7, NATIVE_NAME("reset", 8), JAVA_BYTE, 0},
    {8, NATIVE_NAME("setFrequency", 12), JAVA_SET_CLOCK, 0},
    {9, NATIVE_NAME("write", 24), JAVA_SINGLE, -127},
    {10, NATIVE_NAME("writeArray", 24), JAVA_BLOCK, -127},
    {11, "MPUGetI2CFrequency", MPU_U16, 0},
    {12, "MPUI2CRead", MPU_SINGLE_READ, 255},
    {13, "MPUI2CReadArray", MPU_BLOCK_READ, 255},
    {14, "MPUI2CWrite", MPU_SINGLE_WRITE, 255},
    {15, "MPUI2CWriteArray", MPU_BLOCK_WRITE, 255},
    {16, "MPUReset", MPU_U8, 0},
    {17, "MPUSBFlashLED", MPU_U16, 255},
    {18, "MPUSBGetDLLVersion", MPU_INT, 1032},
    {19, "MPUSBGetDeviceVersion", MPU_U16, 0},
    {20, "MPUSetI2CFrequency", MPU_SET_CLOCK, 0},
};

static const char *const absent_names[] = {
#if defined(__i386__)
    "Java_PMBus_read", "Java_PMBus_read@24", "MPUI2CRead@16", "_MPUI2CRead",
#else
    "_Java_PMBus_read@24",
#endif
    "DllMain",         "DllMain@12",
};

static unsigned char data[256];

/* Calls `f` as an export of kind `kind` and returns its result. */
static long call(AnyFunction f, enum Kind kind, const char *label) {
    long r = 0;
    switch (kind) {
        case MPU_U16:
            CALL_KEEPING_STACK(label, r, ((U16Call)f)());
            break;
        case MPU_U8:
            CALL_KEEPING_STACK(label, r, ((U8Call)f)());
            break;
        case MPU_INT:
            CALL_KEEPING_STACK(label, r, ((IntCall)f)());
            break;
        case MPU_SET_CLOCK:
            CALL_KEEPING_STACK(label, r, ((SetClockCall)f)(400));
            break;
        case MPU_SINGLE_READ:
            CALL_KEEPING_STACK(label, r, ((SingleCall)f)(0xB0, 2, data, 0x8B));
            break;
        case MPU_SINGLE_WRITE:
            CALL_KEEPING_STACK(label, r, ((SingleCall)f)(0xA0, 4, data, 0x10));
            break;
        case MPU_BLOCK_READ:
            CALL_KEEPING_STACK(label, r, ((BlockCall)f)(0xA0, 0, 256, data));
            break;
        case MPU_BLOCK_WRITE:
            CALL_KEEPING_STACK(label, r, ((BlockCall)f)(0xA0, 0, 100, data));
            break;
        case JAVA_SHORT:
            CALL_KEEPING_STACK(label, r, ((JavaShortCall)f)(NULL, NULL));
            break;
        case JAVA_INT:
            CALL_KEEPING_STACK(label, r, ((JavaIntCall)f)(NULL, NULL));
            break;
        case JAVA_BYTE:
            CALL_KEEPING_STACK(label, r, ((JavaByteCall)f)(NULL, NULL));
            break;
        case JAVA_SET_CLOCK:
            CALL_KEEPING_STACK(label, r, ((JavaSetClockCall)f)(NULL, NULL, 400));
            break;
        case JAVA_SINGLE:
            CALL_KEEPING_STACK(label, r, ((JavaSingleCall)f)(NULL, NULL, 0xB0, 2, NULL, 0x8B));
            break;
        case JAVA_BLOCK:
            CALL_KEEPING_STACK(label, r, ((JavaBlockCall)f)(NULL, NULL, 0xA0, 0, 16, NULL));
            break;
    }
    return r;
}

#if defined(__i386__)
/* The stack check itself: a __stdcall native called as __cdecl must show. */
static void stack_check_sees_a_wrong_convention(HMODULE dll) {
    typedef long(__cdecl * WrongCall)(void *, void *);
    WrongCall wrong = (WrongCall)(AnyFunction)GetProcAddress(dll, NATIVE_NAME("getDLLVersion", 8));
    uintptr_t before, after;
    long r;
    READ_STACK_POINTER(before);
    r = wrong(NULL, NULL);
    READ_STACK_POINTER(after);
    __asm__ volatile("subl $8, %%esp" ::: "memory"); /* what the callee took back */
    check(r == 1032 && after - before == 8,
          "a __stdcall native called as __cdecl moves the stack pointer by 8");
}
#endif

int main(void) {
    HMODULE dll = load_tesslink();
    size_t i;
    if (dll == NULL) {
        return dll_test_result();
    }
    memset(data, 0xEE, sizeof data);
    for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
        const struct Export *e = &exports[i];
        AnyFunction f = export_at(dll, e->ordinal, e->name);
        char what[160];
        long r;
        if (f == NULL) {
            continue;
        }
        r = call(f, e->kind, e->name);
        snprintf(what, sizeof what, "%s gives %ld without an adapter", e->name, e->notFound);
        check(r == e->notFound, what);
    }
    check(GetProcAddress(dll, MAKEINTRESOURCEA(21)) == NULL, "no ordinal 21");
    for (i = 0; i < sizeof absent_names / sizeof absent_names[0]; ++i) {
        char what[160];
        snprintf(what, sizeof what, "no export named %s", absent_names[i]);
        check(GetProcAddress(dll, absent_names[i]) == NULL, what);
    }
    for (i = 0; i < sizeof data; ++i) {
        if (data[i] != 0xEE) {
            break;
        }
    }
    check(i == sizeof data, "the buffer is unchanged");
#if defined(__i386__)
    stack_check_sees_a_wrong_convention(dll);
#endif
    FreeLibrary(dll);
    return dll_test_result();
}
