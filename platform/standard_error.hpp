// Writing a message to standard error, where a platform without a message box
// (or one that cannot show it) tells the user.
#pragma once

namespace platform {

// Writes `text` with each carriage return as a line break and a final line
// break, in one write so that messages from several threads stay apart.
// Never throws.
void write_to_standard_error(const char *text) noexcept;

}  // namespace platform
