// POSIX: a constructor runs the whole start-up while the library is being
// loaded, so it is over before dlopen (or the program's start) returns and an
// export never waits; a destructor runs the unload step.
#include "load_entry.hpp"

namespace platform {
namespace {

__attribute__((constructor)) void start_up_on_load() { library_start_up(); }

__attribute__((destructor)) void unload() { library_unload(); }

}  // namespace

void await_start_up() noexcept {}

}  // namespace platform
