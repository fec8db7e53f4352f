// How a harness reports what it found.
#pragma once

namespace tbfuzz {

// Stops the process with a message that libFuzzer reports as a crash.
[[noreturn]] void fail(const char *what);

}  // namespace tbfuzz
