// The platform's own way of telling the user something: a modal message box
// where the platform has one.
#pragma once

namespace platform {

// Shows `text` (zero-terminated, line breaks as '\r') and returns once the user
// has seen it. Never throws.
void show_message_box(const char *text) noexcept;

}  // namespace platform
