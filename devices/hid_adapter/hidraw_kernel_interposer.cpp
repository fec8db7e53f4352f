// The open, close and write of a program that wants the kernel's hidraw rules
// for its emulated nodes (hidraw_kernel_rules.hpp). Linked into the program
// itself, these come before umockdev's preload library and the C library, and
// pass every call on to them. The fortified headers' inline wrappers would
// clash with the definitions.
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "hidraw_kernel_rules.hpp"

namespace {

namespace rules = hid_adapter::hidraw_kernel;

template <typename Function>
Function next(const char *name) {
    void *symbol = ::dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "hidraw kernel rules: no %s after this program\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

mode_t modeArgument(int flags, va_list args) {
    const bool hasMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return hasMode ? static_cast<mode_t>(va_arg(args, unsigned int)) : 0;
}

template <typename Open>
int openUnderRules(Open open, const char *path, int flags, mode_t mode) {
    rules::beforeOpen(path);
    const int fd = open(path, flags, mode);
    const int error = errno;
    rules::afterOpen(path, fd);
    errno = error;
    return fd;
}

[[maybe_unused]] const bool linked = (rules::noteRulesLinked(), true);

}  // namespace

#define RULES_INTERPOSED __attribute__((visibility("default")))

extern "C" {

RULES_INTERPOSED int open(const char *path, int flags, ...) {
    static const auto real = next<int (*)(const char *, int, ...)>("open");
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openUnderRules(real, path, flags, mode);
}

RULES_INTERPOSED int open64(const char *path, int flags, ...) {
    static const auto real = next<int (*)(const char *, int, ...)>("open64");
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openUnderRules(real, path, flags, mode);
}

// The fortified headers turn open() with flags not known at compile time into these.
RULES_INTERPOSED int __open_2(const char *path, int flags) {
    static const auto real = next<int (*)(const char *, int)>("__open_2");
    return openUnderRules([](const char *p, int f, mode_t) { return real(p, f); }, path, flags, 0);
}

RULES_INTERPOSED int __open64_2(const char *path, int flags) {
    static const auto real = next<int (*)(const char *, int)>("__open64_2");
    return openUnderRules([](const char *p, int f, mode_t) { return real(p, f); }, path, flags, 0);
}

RULES_INTERPOSED int close(int fd) {
    static const auto real = next<int (*)(int)>("close");
    const int node = rules::beforeClose(fd);
    const int result = real(fd);
    const int error = errno;
    rules::afterClose(node);
    errno = error;
    return result;
}

RULES_INTERPOSED ssize_t write(int fd, const void *buffer, size_t length) {
    static const auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    if (!rules::beforeWrite(fd)) {
        errno = ETIMEDOUT;
        return -1;
    }
    return real(fd, buffer, length);
}

}  // extern "C"
