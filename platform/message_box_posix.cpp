// POSIX systems have no system message box: the text goes to standard error,
// one message per line block, each carriage return shown as a line break.
#include "message_box.hpp"
#include "standard_error.hpp"

namespace platform {

void show_message_box(const char *text) noexcept { write_to_standard_error(text); }

}  // namespace platform
