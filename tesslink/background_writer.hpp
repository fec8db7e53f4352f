// The hidraw backend's one writer thread.
//
// A hidraw write is synchronous in the kernel: usbhid waits up to 5 s for the
// interrupt OUT transfer, in a sleep that no signal interrupts and that no
// close() of the descriptor cancels. So writes run on a writer thread, and the
// caller waits for one at most a time limit.
//
// While a write is in the kernel, hidraw holds its device-table lock
// (minors_rwsem) for reading, and every open() and close() of any hidraw node
// waits for that lock. A process that wants neither to wait therefore opens no
// hidraw node while one of its writes is in progress (writeInProgress), and
// leaves the closes it needs meanwhile to the writer (closeDevice), which makes
// them as soon as the write has returned.
//
// The thread is started by the first write, so a write costs no thread
// creation, and it is ended and joined when the library is unloaded (or, at
// process exit, after the exit handlers have run). The writer's state is never
// destroyed: a call made while the process exits, from an exit handler or on
// another thread, finds it whole, and once the writer has ended, writes are not
// made. A child process made by fork() starts its own writer when it writes.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tesslink {

enum class WriteOutcome {
    Completed,  // every byte was written
    Failed,     // the system refused the write, or no writer thread could run it; nothing written
    Pending,    // still in the kernel when the wait ended; it completes in the background
    Busy,       // an earlier write is still in the kernel; nothing written
};

// Writes `reportLength` bytes to `fd` on the writer thread: `head` followed by
// zeros (the bytes are copied; `head` is not used after the call). Waits at
// most `limit` for the outcome.
//
// Takes ownership of `fd` on every path: the writer closes it right after its
// write returns, and when the write is not made (Failed, Busy) it is closed
// with closeDevice. A `reportLength` shorter than `head` or longer than
// kMaxReportLength is Failed.
WriteOutcome writeWithTimeLimit(int fd, std::span<const std::uint8_t> head,
                                std::size_t reportLength, std::chrono::milliseconds limit);

// True while a write is in the kernel. Does not block.
bool writeInProgress();

// Closes `fd` at once, or, while a write is in progress, hands it to the
// writer, which closes it as soon as that write has returned. Never blocks for
// a write of this process.
void closeDevice(int fd);

}  // namespace tesslink
