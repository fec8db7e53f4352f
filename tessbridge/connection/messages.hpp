// Messages to the user: formatting of the connection's message texts and their
// presentation through the installed presenter or the platform's message box.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

namespace tessbridge {

// A value for a format string: %x takes a number, %s a text.
using MessageArg = std::variant<uint32_t, const char *>;

// Replaces each %x with the next number in upper-case hexadecimal without
// leading zeros, and each %s with the next text. Other characters stay as they
// are; a directive without a matching argument is left as written.
std::string format_message(const char *format, std::initializer_list<MessageArg> args);

// Presents `text` and returns when the presenter returns. Never throws.
void show_message(const char *text) noexcept;

// Formats and presents a message; should formatting run out of memory, the
// format string itself is presented.
void show_message(const char *format, std::initializer_list<MessageArg> args) noexcept;

}  // namespace tessbridge
