// The interposed C library functions behind syscall_counter.hpp. The fortified
// inline wrappers of the C library's headers would clash with the definitions.
#undef _FORTIFY_SOURCE
#include "syscall_counter.hpp"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace bench::syscalls {
namespace {

constexpr std::size_t kMaxLeftOut = 64;

std::atomic<bool> counting{false};
std::array<std::atomic<pid_t>, kMaxLeftOut> left_out{};
std::atomic<std::size_t> left_out_count{0};

struct AtomicCounts {
    std::atomic<uint64_t> opens, links, closes, reads, writes, ioctls, polls, threads, urb_bulk_out,
        urb_bulk_in, urb_other, urb_reaps, urb_discards, hid_descriptor_ioctls, hidraw_opens;
};
AtomicCounts counts{};

thread_local bool inside_counter = false;

pid_t this_thread() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

bool counted() {
    if (!counting.load(std::memory_order_relaxed) || inside_counter) {
        return false;
    }
    const pid_t tid = this_thread();
    const std::size_t n = left_out_count.load();
    for (std::size_t i = 0; i < n; ++i) {
        if (left_out[i].load() == tid) {
            return false;
        }
    }
    return true;
}

void bump(std::atomic<uint64_t> &counter) {
    if (counted()) {
        counter.fetch_add(1, std::memory_order_relaxed);
    }
}

template <typename Function>
Function next(const char *name) {
    void *symbol = ::dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "syscall counter: no %s after this program\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(symbol);
}

void note_open(const char *path) {
    if (!counted()) {
        return;
    }
    counts.opens.fetch_add(1, std::memory_order_relaxed);
    if (path != nullptr && std::strncmp(path, "/dev/hidraw", 11) == 0) {
        counts.hidraw_opens.fetch_add(1, std::memory_order_relaxed);
    }
}

void note_ioctl(unsigned long request, void *argument) {
    if (!counted()) {
        return;
    }
    counts.ioctls.fetch_add(1, std::memory_order_relaxed);
    if (request == USBDEVFS_SUBMITURB && argument != nullptr) {
        const auto *urb = static_cast<const usbdevfs_urb *>(argument);
        const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK;
        const bool in = (urb->endpoint & 0x80U) != 0;
        (bulk ? (in ? counts.urb_bulk_in : counts.urb_bulk_out) : counts.urb_other)
            .fetch_add(1, std::memory_order_relaxed);
    } else if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        counts.urb_reaps.fetch_add(1, std::memory_order_relaxed);
    } else if (request == USBDEVFS_DISCARDURB) {
        counts.urb_discards.fetch_add(1, std::memory_order_relaxed);
    } else if (request == HIDIOCGRDESCSIZE || request == HIDIOCGRDESC) {
        counts.hid_descriptor_ioctls.fetch_add(1, std::memory_order_relaxed);
    }
}

mode_t mode_argument(int flags, va_list args) {
    const bool has_mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return has_mode ? static_cast<mode_t>(va_arg(args, unsigned int)) : 0;
}

// True for the threads the libraries name after themselves.
bool libraries_own(int tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/comm";
    std::FILE *comm = std::fopen(path.c_str(), "r");
    if (comm == nullptr) {
        return false;
    }
    std::array<char, 32> name{};
    const bool read = std::fgets(name.data(), name.size(), comm) != nullptr;
    std::fclose(comm);
    return read && std::strncmp(name.data(), "tesslink-", 9) == 0;
}

}  // namespace

void start() {
    inside_counter = true;
    const pid_t self = this_thread();
    std::size_t n = 0;
    if (DIR *tasks = ::opendir("/proc/self/task")) {
        while (const dirent *entry = ::readdir(tasks)) {  // NOLINT(concurrency-mt-unsafe): own DIR
            const int tid = std::atoi(entry->d_name);
            if (tid > 0 && tid != self && n < kMaxLeftOut && !libraries_own(tid)) {
                left_out[n++].store(tid);
            }
        }
        ::closedir(tasks);
    }
    left_out_count.store(n);
    for (auto *counter :
         {&counts.opens, &counts.links, &counts.closes, &counts.reads, &counts.writes,
          &counts.ioctls, &counts.polls, &counts.threads, &counts.urb_bulk_out, &counts.urb_bulk_in,
          &counts.urb_other, &counts.urb_reaps, &counts.urb_discards, &counts.hid_descriptor_ioctls,
          &counts.hidraw_opens}) {
        counter->store(0);
    }
    inside_counter = false;
    counting.store(true);
}

Counts stop() {
    counting.store(false);
    return {
        counts.opens.load(),        counts.links.load(),
        counts.closes.load(),       counts.reads.load(),
        counts.writes.load(),       counts.ioctls.load(),
        counts.polls.load(),        counts.threads.load(),
        counts.urb_bulk_out.load(), counts.urb_bulk_in.load(),
        counts.urb_other.load(),    counts.urb_reaps.load(),
        counts.urb_discards.load(), counts.hid_descriptor_ioctls.load(),
        counts.hidraw_opens.load(),
    };
}

}  // namespace bench::syscalls

using namespace bench::syscalls;

// Visible to the dynamic loader, which must bind the libraries' calls here
// (the program is linked with its symbols exported).
#define BENCH_INTERPOSED __attribute__((visibility("default")))

extern "C" {

BENCH_INTERPOSED int open(const char *path, int flags, ...) {
    static const auto real = next<int (*)(const char *, int, ...)>("open");
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    note_open(path);
    return real(path, flags, mode);
}

BENCH_INTERPOSED int open64(const char *path, int flags, ...) {
    static const auto real = next<int (*)(const char *, int, ...)>("open64");
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    note_open(path);
    return real(path, flags, mode);
}

BENCH_INTERPOSED int openat(int dir, const char *path, int flags, ...) {
    static const auto real = next<int (*)(int, const char *, int, ...)>("openat");
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    note_open(path);
    return real(dir, path, flags, mode);
}

BENCH_INTERPOSED int openat64(int dir, const char *path, int flags, ...) {
    static const auto real = next<int (*)(int, const char *, int, ...)>("openat64");
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    note_open(path);
    return real(dir, path, flags, mode);
}

// The fortified headers turn open() with flags not known at compile time into these.
BENCH_INTERPOSED int __open_2(const char *path, int flags) {
    static const auto real = next<int (*)(const char *, int)>("__open_2");
    note_open(path);
    return real(path, flags);
}

BENCH_INTERPOSED int __open64_2(const char *path, int flags) {
    static const auto real = next<int (*)(const char *, int)>("__open64_2");
    note_open(path);
    return real(path, flags);
}

BENCH_INTERPOSED ssize_t __read_chk(int fd, void *buffer, size_t length, size_t room) {
    static const auto real = next<ssize_t (*)(int, void *, size_t, size_t)>("__read_chk");
    bump(counts.reads);
    return real(fd, buffer, length, room);
}

BENCH_INTERPOSED int __poll_chk(pollfd *fds, nfds_t count, int timeout_ms, size_t room) {
    static const auto real = next<int (*)(pollfd *, nfds_t, int, size_t)>("__poll_chk");
    bump(counts.polls);
    return real(fds, count, timeout_ms, room);
}

BENCH_INTERPOSED FILE *fopen(const char *path, const char *mode) {
    static const auto real = next<FILE *(*)(const char *, const char *)>("fopen");
    note_open(path);
    return real(path, mode);
}

BENCH_INTERPOSED FILE *fopen64(const char *path, const char *mode) {
    static const auto real = next<FILE *(*)(const char *, const char *)>("fopen64");
    note_open(path);
    return real(path, mode);
}

BENCH_INTERPOSED DIR *opendir(const char *path) {
    static const auto real = next<DIR *(*)(const char *)>("opendir");
    note_open(path);
    return real(path);
}

BENCH_INTERPOSED ssize_t readlink(const char *path, char *buffer, size_t size) noexcept {
    static const auto real = next<ssize_t (*)(const char *, char *, size_t)>("readlink");
    bump(counts.links);
    return real(path, buffer, size);
}

BENCH_INTERPOSED ssize_t readlinkat(int dir, const char *path, char *buffer, size_t size) noexcept {
    static const auto real = next<ssize_t (*)(int, const char *, char *, size_t)>("readlinkat");
    bump(counts.links);
    return real(dir, path, buffer, size);
}

BENCH_INTERPOSED ssize_t __readlinkat_chk(int dir, const char *path, char *buffer, size_t size,
                                          size_t room) noexcept {
    static const auto real =
        next<ssize_t (*)(int, const char *, char *, size_t, size_t)>("__readlinkat_chk");
    bump(counts.links);
    return real(dir, path, buffer, size, room);
}

BENCH_INTERPOSED int close(int fd) {
    static const auto real = next<int (*)(int)>("close");
    bump(counts.closes);
    return real(fd);
}

BENCH_INTERPOSED int fclose(FILE *file) {
    static const auto real = next<int (*)(FILE *)>("fclose");
    bump(counts.closes);
    return real(file);
}

BENCH_INTERPOSED int closedir(DIR *dir) {
    static const auto real = next<int (*)(DIR *)>("closedir");
    bump(counts.closes);
    return real(dir);
}

BENCH_INTERPOSED ssize_t read(int fd, void *buffer, size_t length) {
    static const auto real = next<ssize_t (*)(int, void *, size_t)>("read");
    bump(counts.reads);
    return real(fd, buffer, length);
}

BENCH_INTERPOSED ssize_t write(int fd, const void *buffer, size_t length) {
    static const auto real = next<ssize_t (*)(int, const void *, size_t)>("write");
    bump(counts.writes);
    return real(fd, buffer, length);
}

BENCH_INTERPOSED int ioctl(int fd, unsigned long request, ...) noexcept {
    static const auto real = next<int (*)(int, unsigned long, ...)>("ioctl");
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    note_ioctl(request, argument);
    return real(fd, request, argument);
}

BENCH_INTERPOSED int poll(pollfd *fds, nfds_t count, int timeout_ms) {
    static const auto real = next<int (*)(pollfd *, nfds_t, int)>("poll");
    bump(counts.polls);
    return real(fds, count, timeout_ms);
}

BENCH_INTERPOSED int ppoll(pollfd *fds, nfds_t count, const timespec *timeout,
                           const sigset_t *mask) {
    static const auto real =
        next<int (*)(pollfd *, nfds_t, const timespec *, const sigset_t *)>("ppoll");
    bump(counts.polls);
    return real(fds, count, timeout, mask);
}

BENCH_INTERPOSED int pthread_create(pthread_t *thread, const pthread_attr_t *attributes,
                                    void *(*body)(void *), void *argument) noexcept {
    static const auto real =
        next<int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *)>(
            "pthread_create");
    bump(counts.threads);
    return real(thread, attributes, body, argument);
}

}  // extern "C"
