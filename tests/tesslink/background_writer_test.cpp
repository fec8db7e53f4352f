// Writes that the system holds up do not hold up the caller.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "background_writer.hpp"

// This test program replaces the throwing operator new so that a test can make
// the n-th allocation of its own thread fail. Unarmed, it only forwards to
// malloc (and the replaced deletes to free).
namespace {
thread_local unsigned t_allocations_until_failure = 0;  // 0: never fail
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
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t /*size*/) noexcept { std::free(p); }

namespace {

using tesslink::WriteOutcome;
using tesslink::writeWithTimeLimit;

TEST(BackgroundWriter, CompletedFailedAndPendingWrites) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_EQ(writeWithTimeLimit(::dup(fds[1]), std::vector<std::uint8_t>(65, 1),
                                 std::chrono::milliseconds(1000)),
              WriteOutcome::Completed);

    // A read-only descriptor refuses the write.
    EXPECT_EQ(writeWithTimeLimit(::dup(fds[0]), std::vector<std::uint8_t>(65, 1),
                                 std::chrono::milliseconds(1000)),
              WriteOutcome::Failed);

    // More than the pipe holds, with nobody reading: the write blocks in the
    // kernel and the caller gets Pending back after the limit.
    const int pipeSize = ::fcntl(fds[1], F_GETPIPE_SZ);
    ASSERT_GT(pipeSize, 0);
    const auto big = static_cast<std::size_t>(pipeSize) * 2;
    EXPECT_EQ(writeWithTimeLimit(::dup(fds[1]), std::vector<std::uint8_t>(big, 2),
                                 std::chrono::milliseconds(50)),
              WriteOutcome::Pending);

    // Draining the pipe lets the background write finish with all its bytes.
    ::close(fds[1]);
    std::vector<std::uint8_t> got(big + 65 + 16);
    std::size_t total = 0;
    for (ssize_t n = 0; (n = ::read(fds[0], got.data() + total, got.size() - total)) > 0;) {
        total += static_cast<std::size_t>(n);
    }
    ::close(fds[0]);
    EXPECT_EQ(total, big + 65);
    EXPECT_EQ(got[65], 2);
    EXPECT_EQ(got[total - 1], 2);
}

}  // namespace

namespace {

// Every allocation a write makes before its worker runs (the job, the worker's
// entry, the thread) is made to fail in turn. Each time the write is not made
// on the caller's thread: the result is Failed, nothing reaches the pipe and
// the descriptor is closed (the pipe's reader sees its end).
TEST(BackgroundWriter, AWriteThatCannotStartItsWorkerIsNotMadeAndClosesTheDescriptor) {
    unsigned failedAllocations = 0;
    for (unsigned failAt = 1; failAt < 64; ++failAt) {
        SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
        std::vector<std::uint8_t> bytes(65, 7);

        t_allocations_until_failure = failAt;
        const WriteOutcome outcome =
            writeWithTimeLimit(fds[1], std::move(bytes), std::chrono::milliseconds(1000));
        const bool failed = t_allocations_until_failure == 0;
        t_allocations_until_failure = 0;

        std::uint8_t got[128];
        const ssize_t n = ::read(fds[0], got, sizeof got);
        ::close(fds[0]);
        if (!failed) {  // every allocation of the write succeeded
            EXPECT_EQ(outcome, WriteOutcome::Completed);
            EXPECT_EQ(n, 65);
            break;
        }
        ++failedAllocations;
        EXPECT_EQ(outcome, WriteOutcome::Failed);
        EXPECT_EQ(n, 0) << "0 is end of file: nothing written and the write end closed";
    }
    EXPECT_GE(failedAllocations, 2U);  // at least the job and the thread
}

}  // namespace
