// The library's load-time entry: when the platform runs the start-up, and what
// an export waits for. One backend per platform (load_entry_posix.cpp,
// load_entry_win32.cpp); the library supplies the start-up and the unload step.
#pragma once

namespace platform {

// Supplied by the library. The start-up runs once per process; the unload step
// runs when the library is unloaded while the process goes on (never at
// process exit). Neither throws.
void library_start_up() noexcept;
void library_unload() noexcept;

// Supplied by the backend: returns once the start-up that the load began has
// finished, so that an adapter present at load is found and selected before an
// export does its work. After the first time it is a flag check. Every export
// calls it first; the toolkit's notification handlers never do (they are part
// of the start-up, which waits for them).
void await_start_up() noexcept;

}  // namespace platform
