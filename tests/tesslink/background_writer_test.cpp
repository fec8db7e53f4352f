// The writer thread: writes that the system holds up do not hold up the
// caller, no write creates a thread once the writer runs, and a write that is
// still in the kernel keeps later writes and closes from waiting for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "background_writer.hpp"

// This test program replaces the throwing operator new so that a test can make
// the n-th allocation of its own thread fail. Unarmed, it only forwards to
// malloc (and the replaced deletes to free).
namespace {
thread_local unsigned t_allocations_until_failure = 0;  // 0: never fail
std::atomic<unsigned> threadsCreated{0};
}  // namespace

void *operator new(std::size_t size) {
    if (t_allocations_until_failure != 0 && --t_allocations_until_failure == 0) {
        throw std::bad_alloc();
    }
    if (void *p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
// Not inlined: GCC would take the free() for a mismatch with the standard new.
[[gnu::noinline]] void operator delete(void *p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void *p, std::size_t /*size*/) noexcept {
    std::free(p);
}

// It also counts the threads made in the process (the program exports its
// symbols, so std::thread's call lands here) and passes each on.
extern "C" __attribute__((visibility("default"))) int pthread_create(
    pthread_t *thread, const pthread_attr_t *attributes, void *(*body)(void *),
    void *argument) noexcept {
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const auto real = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    ++threadsCreated;
    return real(thread, attributes, body, argument);
}

namespace {

using tesslink::WriteOutcome;
using tesslink::writeWithTimeLimit;
using namespace std::chrono_literals;

const std::vector<std::uint8_t> kReport(65, 7);

struct Pipe {
    int read = -1;
    int write = -1;
    explicit Pipe(int flags = 0) {
        int fds[2];
        if (::pipe2(fds, flags | O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    Pipe(const Pipe &) = delete;
    Pipe &operator=(const Pipe &) = delete;
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (read >= 0) {
            ::close(read);
        }
        read = -1;
    }
    void closeWrite() {
        if (write >= 0) {
            ::close(write);
        }
        write = -1;
    }
    // Shrinks the pipe to one page and fills it, so that the next write to it
    // waits until the pipe is read.
    void fill() const {
        ::fcntl(write, F_SETPIPE_SZ, 4096);
        const int flags = ::fcntl(write, F_GETFL);
        ::fcntl(write, F_SETFL, flags | O_NONBLOCK);
        const std::vector<std::uint8_t> block(4096, 0xFF);
        while (::write(write, block.data(), block.size()) > 0) {
        }
        ::fcntl(write, F_SETFL, flags);
    }
    // Reads everything until every write end is closed; the bytes read.
    [[nodiscard]] std::vector<std::uint8_t> drain() const {
        std::vector<std::uint8_t> got;
        std::uint8_t chunk[4096];
        for (ssize_t n = 0; (n = ::read(read, chunk, sizeof chunk)) > 0;) {
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // True once every write end is closed, waiting for that at most 10 s.
    [[nodiscard]] bool writersGone() const {
        pollfd hangup{read, POLLIN, 0};
        std::uint8_t byte = 0;
        return ::poll(&hangup, 1, 10'000) == 1 && ::read(read, &byte, 1) == 0;
    }
};

void waitUntilTheWriterIsIdle() {
    while (tesslink::writeInProgress()) {
        std::this_thread::yield();
    }
}

WriteOutcome writeReport(int fd, std::chrono::milliseconds limit = 1000ms) {
    return writeWithTimeLimit(fd, kReport, kReport.size(), limit);
}

TEST(BackgroundWriter, CompletedFailedAndPendingWrites) {
    Pipe pipe;
    // The head is padded with zeros to the report length.
    const std::vector<std::uint8_t> head = {0, 0x43, 2};
    EXPECT_EQ(writeWithTimeLimit(::dup(pipe.write), head, 65, 1000ms), WriteOutcome::Completed);

    // A read-only descriptor refuses the write.
    EXPECT_EQ(writeReport(::dup(pipe.read)), WriteOutcome::Failed);

    // A write into a full pipe that nobody reads waits in the kernel: the
    // caller gets Pending back after the limit.
    Pipe full;
    full.fill();
    EXPECT_EQ(writeReport(::dup(full.write), 50ms), WriteOutcome::Pending);
    EXPECT_TRUE(tesslink::writeInProgress());

    // Reading the pipe lets the write finish in the background with all its
    // bytes, and the writer closes its descriptor.
    full.closeWrite();
    const auto got = full.drain();
    ASSERT_GE(got.size(), kReport.size());
    EXPECT_TRUE(std::equal(kReport.begin(), kReport.end(), got.end() - 65));
    waitUntilTheWriterIsIdle();

    pipe.closeWrite();
    const auto first = pipe.drain();
    ASSERT_EQ(first.size(), 65U);
    EXPECT_EQ(first[1], 0x43);
    EXPECT_EQ(first[3], 0);
    EXPECT_EQ(first[64], 0);
}

TEST(BackgroundWriter, ReportsLongerThanAnyDeviceDeclaresAreNotWritten) {
    Pipe pipe(O_NONBLOCK);
    const std::vector<std::uint8_t> tooLong(4097, 1);
    EXPECT_EQ(writeWithTimeLimit(::dup(pipe.write), tooLong, tooLong.size(), 1000ms),
              WriteOutcome::Failed);
    EXPECT_EQ(writeWithTimeLimit(::dup(pipe.write), kReport, 64, 1000ms), WriteOutcome::Failed);
    pipe.closeWrite();
    EXPECT_TRUE(pipe.drain().empty());
}

// Once the writer runs, writes hand their reports to it: none starts a thread.
TEST(BackgroundWriter, WritesAfterTheFirstStartNoThread) {
    Pipe pipe;
    ASSERT_EQ(writeReport(::dup(pipe.write)), WriteOutcome::Completed);
    const unsigned before = threadsCreated;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(writeReport(::dup(pipe.write)), WriteOutcome::Completed);
    }
    EXPECT_EQ(threadsCreated - before, 0U);
    pipe.closeWrite();
    EXPECT_EQ(pipe.drain().size(), 21 * kReport.size());
}

// While a write waits in the kernel, a closing handle could wait for it too
// (hidraw's rule): later writes are refused at once, and the descriptors they
// and closeDevice were given stay open until that write has returned, then
// the writer closes them.
TEST(BackgroundWriter, AWriteStillInTheKernelRefusesLaterWritesAndTakesTheirCloses) {
    Pipe full;
    full.fill();
    ASSERT_EQ(writeReport(::dup(full.write), 50ms), WriteOutcome::Pending);

    Pipe refused;
    Pipe closed;
    EXPECT_EQ(writeReport(::dup(refused.write)), WriteOutcome::Busy);
    tesslink::closeDevice(::dup(closed.write));
    refused.closeWrite();
    closed.closeWrite();
    for (const Pipe *pipe : {&refused, &closed}) {
        pollfd ready{pipe->read, POLLIN, 0};
        EXPECT_EQ(::poll(&ready, 1, 0), 0) << "a handed-over descriptor was closed too early";
    }

    full.closeWrite();
    (void)full.drain();
    EXPECT_TRUE(refused.writersGone());
    EXPECT_TRUE(closed.writersGone());
    waitUntilTheWriterIsIdle();

    Pipe next;
    EXPECT_EQ(writeReport(::dup(next.write)), WriteOutcome::Completed);
    EXPECT_TRUE(refused.drain().empty());
}

// Every allocation a write makes before its writer runs (the thread's among
// them) is made to fail in turn, in a child process whose writer has not
// started yet. Each time the write is not made on the caller's thread: the
// result is Failed, nothing reaches the pipe and the descriptor is closed
// (the pipe's reader sees its end). The child reports through its exit code.
TEST(BackgroundWriter, AWriteThatCannotStartTheWriterIsNotMadeAndClosesTheDescriptor) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsigned failedAllocations = 0;
        for (unsigned failAt = 1; failAt < 64; ++failAt) {
            Pipe pipe(O_NONBLOCK);
            t_allocations_until_failure = failAt;
            const WriteOutcome outcome = writeReport(pipe.write);
            pipe.write = -1;  // the writer owns it
            const bool failed = t_allocations_until_failure == 0;
            t_allocations_until_failure = 0;
            std::uint8_t got[128];
            const ssize_t n = ::read(pipe.read, got, sizeof got);
            if (!failed) {  // every allocation of the write succeeded
                ::_exit(outcome == WriteOutcome::Completed && n == 65 && failedAllocations >= 1
                            ? 0
                            : 10 + static_cast<int>(failAt));
            }
            ++failedAllocations;
            if (outcome != WriteOutcome::Failed || n != 0) {
                ::_exit(100 + static_cast<int>(failAt));
            }
        }
        ::_exit(99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10+n: wrong outcome once allocation n succeeded; "
                                         "100+n: allocation n failed but the write was made";
}

// fork() copies no writer thread: a child that writes gets a writer of its
// own, also when the parent's writer was busy with a write at the fork.
TEST(BackgroundWriter, AChildProcessWritesThroughAWriterOfItsOwn) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer lets no child of a threaded process start threads";
#endif
    Pipe pipe;
    ASSERT_EQ(writeReport(::dup(pipe.write)), WriteOutcome::Completed);
    Pipe full;
    full.fill();
    ASSERT_EQ(writeReport(::dup(full.write), 50ms), WriteOutcome::Pending);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool idle = !tesslink::writeInProgress();
        const WriteOutcome outcome = writeReport(::dup(pipe.write));
        ::_exit(idle && outcome == WriteOutcome::Completed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    full.closeWrite();
    (void)full.drain();
    waitUntilTheWriterIsIdle();
    pipe.closeWrite();
    EXPECT_EQ(pipe.drain().size(), 2 * kReport.size());
}

}  // namespace
