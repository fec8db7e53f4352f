// Runs blocking device writes on their own threads so that a caller can stop
// waiting after a time limit while the write finishes on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace tesslink {

enum class WriteOutcome {
    Completed,  // the whole buffer was written
    Failed,     // the system refused the write, or no worker could be started (nothing written)
    Pending,    // still in progress when the wait ended; it completes in the background
};

// Writes `bytes` to `fd` on a worker thread and takes ownership of `fd` on
// every path: the worker closes it when the write returns, and it is closed at
// once when no worker can be started (the write is then not made: it never
// runs on the caller's thread). Waits at most `limit` for the outcome. A
// pending write keeps its own copy of the bytes; the worker threads are joined
// before the library is unloaded.
WriteOutcome writeWithTimeLimit(int fd, std::vector<std::uint8_t> bytes,
                                std::chrono::milliseconds limit);

}  // namespace tesslink
