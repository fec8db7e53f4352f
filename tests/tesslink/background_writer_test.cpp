// Writes that the system holds up do not hold up the caller.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fcntl.h>

#include "background_writer.hpp"

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
