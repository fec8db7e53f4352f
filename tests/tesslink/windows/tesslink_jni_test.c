/*
 * The Java natives of tesslink.dll called as a Java VM calls them, with no
 * adapter attached: through a hand-made JNIEnv whose function table holds
 * only the entries the natives use (GetArrayLength, GetByteArrayElements at
 * 184, ReleaseByteArrayElements at 192), each recording its calls. A byte
 * array's elements are lent as a copy, as many VMs do, so the release mode
 * decides whether the Java array changes. Every native is called by its
 * exported name and by its ordinal, the stack pointer checked across each
 * call.
 *
 * Built without optimisation (see CMakeLists.txt): each call site then
 * restores the stack pointer right after the call exactly as its function
 * pointer's calling convention says, so a callee of another convention leaves
 * the stack pointer moved.
 */
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* A Java native's exported name: decorated (__stdcall) on 32-bit Windows,
 * plain on 64-bit Windows. */
#if defined(__i386__)
#define NATIVE_NAME(method, bytes) "_Java_PMBus_" method "@" #bytes
#else
#define NATIVE_NAME(method, bytes) "Java_PMBus_" method
#endif

static int failures;

static void check(int ok, const char *what) {
    printf("%-70s %s\n", what, ok ? "ok" : "FAIL");
    if (!ok) {
        ++failures;
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

static int report_result(void) {
    printf("%s: %d failure(s)\n", failures ? "FAILED" : "PASSED", failures);
    fflush(stdout);
    return failures ? 1 : 0;
}

/* JNI's types and calling convention on Windows. */
#define JNICALL __stdcall
typedef long jint;
typedef short jshort;
typedef signed char jbyte;
typedef unsigned char jboolean;
typedef void *jobject;
typedef jobject jbyteArray;
typedef const AnyFunction *JNIEnv; /* points to the function table */

/* Positions in the JNI function table, as the JNI specification numbers them. */
enum {
    GET_ARRAY_LENGTH = 171,
    GET_BYTE_ARRAY_ELEMENTS = 184,
    RELEASE_BYTE_ARRAY_ELEMENTS = 192,
    TABLE_ENTRIES = 235,
};
enum { JNI_COMMIT = 1, JNI_ABORT = 2, NO_RELEASE = -1 };

/* A Java byte array of the hand-made VM. */
struct JavaArray {
    jint length;
    jbyte bytes[300];
};

static AnyFunction function_table[TABLE_ENTRIES];
static JNIEnv the_env = function_table;

/* What the VM was asked. */
static struct {
    int lengths;
    int gets;
    int releases;
    jint release_mode;
    int lent;      /* elements lent and not yet handed back */
    int other_env; /* calls that came with another JNIEnv */
    int refuse_elements;
} vm;

static void seen_env(JNIEnv *env) {
    if (env != &the_env) {
        ++vm.other_env;
    }
}

static jint JNICALL get_array_length(JNIEnv *env, jobject array) {
    ++vm.lengths;
    seen_env(env);
    return ((struct JavaArray *)array)->length;
}

static jbyte *JNICALL get_byte_array_elements(JNIEnv *env, jbyteArray array, jboolean *is_copy) {
    struct JavaArray *a = array;
    jbyte *copy;
    ++vm.gets;
    seen_env(env);
    if (vm.refuse_elements) {
        return NULL;
    }
    copy = malloc((size_t)a->length + 1);
    memcpy(copy, a->bytes, (size_t)a->length);
    if (is_copy != NULL) {
        *is_copy = 1;
    }
    ++vm.lent;
    return copy;
}

static void JNICALL release_byte_array_elements(JNIEnv *env, jbyteArray array, jbyte *elements,
                                                jint mode) {
    struct JavaArray *a = array;
    ++vm.releases;
    vm.release_mode = mode;
    seen_env(env);
    if (mode != JNI_ABORT) {
        memcpy(a->bytes, elements, (size_t)a->length);
    }
    if (mode != JNI_COMMIT) {
        free(elements);
        --vm.lent;
    }
}

typedef jshort(JNICALL *ShortNative)(JNIEnv *, jobject);
typedef jint(JNICALL *IntNative)(JNIEnv *, jobject);
typedef jbyte(JNICALL *ByteNative)(JNIEnv *, jobject);
typedef jshort(JNICALL *SetClockNative)(JNIEnv *, jobject, jint);
typedef jbyte(JNICALL *SingleNative)(JNIEnv *, jobject, jint, jint, jbyteArray, jint);
typedef jbyte(JNICALL *BlockNative)(JNIEnv *, jobject, jint, jint, jint, jbyteArray);

struct Natives {
    ShortNative flashLED;
    IntNative getDLLVersion;
    ShortNative getDeviceVersion;
    ShortNative getFrequency;
    SingleNative read;
    BlockNative readArray;
    ByteNative reset;
    SetClockNative setFrequency;
    SingleNative write;
    BlockNative writeArray;
};

/* The natives by ordinal, or by name; either way checked to be the same. */
static int resolve(HMODULE dll, int by_ordinal, struct Natives *n) {
#define RESOLVE(field, ordinal, name)                   \
    do {                                                \
        AnyFunction f = export_at(dll, ordinal, name);  \
        if (!by_ordinal) {                              \
            f = (AnyFunction)GetProcAddress(dll, name); \
        }                                               \
        if (f == NULL) {                                \
            return 0;                                   \
        }                                               \
        memcpy(&n->field, &f, sizeof f);                \
    } while (0)
    RESOLVE(flashLED, 1, NATIVE_NAME("flashLED", 8));
    RESOLVE(getDLLVersion, 2, NATIVE_NAME("getDLLVersion", 8));
    RESOLVE(getDeviceVersion, 3, NATIVE_NAME("getDeviceVersion", 8));
    RESOLVE(getFrequency, 4, NATIVE_NAME("getFrequency", 8));
    RESOLVE(read, 5, NATIVE_NAME("read", 24));
    RESOLVE(readArray, 6, NATIVE_NAME("readArray", 24));
    RESOLVE(reset, 7, NATIVE_NAME("reset", 8));
    RESOLVE(setFrequency, 8, NATIVE_NAME("setFrequency", 12));
    RESOLVE(write, 9, NATIVE_NAME("write", 24));
    RESOLVE(writeArray, 10, NATIVE_NAME("writeArray", 24));
#undef RESOLVE
    return 1;
}

enum ArrayNative { READ, READ_ARRAY, WRITE, WRITE_ARRAY };

struct ArrayCase {
    const char *label;
    enum ArrayNative native;
    jint address, second, third; /* (length, command) or (start register, count) */
    jint array_length;           /* -1: a null array */
    int refuse_elements;
    jbyte result;
    int gets;          /* GetByteArrayElements calls */
    jint release_mode; /* of the one ReleaseByteArrayElements call, or NO_RELEASE */
};

static const struct ArrayCase array_cases[] = {
    {"read", READ, 0xB0, 4, 0x8B, 8, 0, -1, 1, 0},
    {"read, length 0", READ, 0xB0, 0, 0x8B, 8, 0, -127, 1, 0},
    {"read, length 65536 + 5 acts as 5", READ, 0xB0, 65536 + 5, 0x8B, 8, 0, -1, 1, 0},
    {"read, length -1 is 65535", READ, 0xB0, -1, 0x8B, 8, 0, -127, 0, NO_RELEASE},
    {"read, array shorter than the length", READ, 0xB0, 8, 0x8B, 4, 0, -127, 0, NO_RELEASE},
    {"read, null array", READ, 0xB0, 4, 0x8B, -1, 0, -127, 0, NO_RELEASE},
    {"read, the VM lends no elements", READ, 0xB0, 4, 0x8B, 8, 1, -127, 1, NO_RELEASE},
    {"readArray, count 100", READ_ARRAY, 0xA0, 0, 100, 100, 0, -1, 1, 0},
    {"readArray, count 0", READ_ARRAY, 0xA0, 0, 0, 100, 0, -127, 1, 0},
    {"readArray, count 257", READ_ARRAY, 0xA0, 0, 257, 300, 0, -127, 1, 0},
    {"write", WRITE, 0xA0, 4, 0x10, 8, 0, -1, 1, JNI_ABORT},
    {"write, length 61", WRITE, 0xA0, 61, 0x10, 64, 0, -127, 1, JNI_ABORT},
    {"write, the VM lends no elements", WRITE, 0xA0, 4, 0x10, 8, 1, -127, 1, NO_RELEASE},
    {"writeArray, count 100", WRITE_ARRAY, 0xA0, 0, 100, 100, 0, -1, 1, JNI_ABORT},
    {"writeArray, count 0", WRITE_ARRAY, 0xA0, 0, 0, 100, 0, -127, 1, JNI_ABORT},
    {"writeArray, null array", WRITE_ARRAY, 0xA0, 0, 100, -1, 0, -127, 0, NO_RELEASE},
};

static void run_array_case(const struct Natives *n, const struct ArrayCase *c, const char *how) {
    static struct JavaArray array, before;
    JNIEnv *env = &the_env;
    jbyteArray java_array = c->array_length < 0 ? NULL : &array;
    jbyte r = 0;
    char label[160], what[200];
    int i;

    memset(&vm, 0, sizeof vm);
    vm.release_mode = NO_RELEASE;
    vm.refuse_elements = c->refuse_elements;
    array.length = c->array_length < 0 ? 0 : c->array_length;
    for (i = 0; i < (int)sizeof array.bytes; ++i) {
        array.bytes[i] = (jbyte)(i * 7 + 3);
    }
    before = array;
    snprintf(label, sizeof label, "%s (%s)", c->label, how);

    switch (c->native) {
        case READ:
            CALL_KEEPING_STACK(label, r,
                               n->read(env, NULL, c->address, c->second, java_array, c->third));
            break;
        case WRITE:
            CALL_KEEPING_STACK(label, r,
                               n->write(env, NULL, c->address, c->second, java_array, c->third));
            break;
        case READ_ARRAY:
            CALL_KEEPING_STACK(
                label, r, n->readArray(env, NULL, c->address, c->second, c->third, java_array));
            break;
        case WRITE_ARRAY:
            CALL_KEEPING_STACK(
                label, r, n->writeArray(env, NULL, c->address, c->second, c->third, java_array));
            break;
    }
    snprintf(what, sizeof what, "%s: result %d", label, c->result);
    check(r == c->result, what);
    snprintf(what, sizeof what, "%s: elements taken %d time(s)", label, c->gets);
    check(vm.gets == c->gets, what);
    if (c->release_mode == NO_RELEASE) {
        snprintf(what, sizeof what, "%s: nothing to release", label);
        check(vm.releases == 0, what);
    } else {
        snprintf(what, sizeof what, "%s: released once, mode %ld", label, (long)c->release_mode);
        check(vm.releases == 1 && vm.release_mode == c->release_mode, what);
    }
    snprintf(what, sizeof what, "%s: no elements still lent, the Java array unchanged", label);
    check(vm.lent == 0 && memcmp(&array, &before, sizeof array) == 0, what);
    snprintf(what, sizeof what, "%s: the VM called with the native's own JNIEnv", label);
    check(vm.other_env == 0, what);
}

static void run_scalar_natives(const struct Natives *n, const char *how) {
    JNIEnv *env = &the_env;
    char label[160], what[200];
    long r;
    struct {
        const char *name;
        long result;
    } results[7];
    int i;

    memset(&vm, 0, sizeof vm);
#define SCALAR(index, name_, call_)                       \
    snprintf(label, sizeof label, "%s (%s)", name_, how); \
    CALL_KEEPING_STACK(label, r, call_);                  \
    results[index].name = name_;                          \
    results[index].result = r
    SCALAR(0, "flashLED", n->flashLED(env, NULL));
    SCALAR(1, "getDLLVersion", n->getDLLVersion(env, NULL));
    SCALAR(2, "getDeviceVersion", n->getDeviceVersion(env, NULL));
    SCALAR(3, "getFrequency", n->getFrequency(env, NULL));
    SCALAR(4, "setFrequency(400)", n->setFrequency(env, NULL, 400));
    SCALAR(5, "setFrequency(65536 + 400)", n->setFrequency(env, NULL, 65536 + 400));
    SCALAR(6, "reset", n->reset(env, NULL));
#undef SCALAR
    {
        /* Without an adapter: the LED's not-found value, the version, 0. */
        static const long expected[7] = {255, 1032, 0, 0, 0, 0, 0};
        for (i = 0; i < 7; ++i) {
            snprintf(what, sizeof what, "%s (%s): result %ld", results[i].name, how, expected[i]);
            check(results[i].result == expected[i], what);
        }
    }
    snprintf(what, sizeof what, "natives without an array (%s) do not call the VM", how);
    check(vm.lengths + vm.gets + vm.releases == 0, what);
}

int main(void) {
    HMODULE dll = load_tesslink();
    struct Natives natives;
    int by_ordinal;
    size_t i;
    if (dll == NULL) {
        return report_result();
    }
    function_table[GET_ARRAY_LENGTH] = (AnyFunction)get_array_length;
    function_table[GET_BYTE_ARRAY_ELEMENTS] = (AnyFunction)get_byte_array_elements;
    function_table[RELEASE_BYTE_ARRAY_ELEMENTS] = (AnyFunction)release_byte_array_elements;

    for (by_ordinal = 0; by_ordinal <= 1; ++by_ordinal) {
        const char *how = by_ordinal ? "by ordinal" : "by name";
        if (!resolve(dll, by_ordinal, &natives)) {
            check(0, "every native resolves");
            continue;
        }
        for (i = 0; i < sizeof array_cases / sizeof array_cases[0]; ++i) {
            run_array_case(&natives, &array_cases[i], how);
        }
        run_scalar_natives(&natives, how);
    }
    FreeLibrary(dll);
    return report_result();
}
