// Windows: a modal message box with the text, no icon, one OK button, centred.
#include <windows.h>

#include "message_box.hpp"

namespace platform {

void show_message_box(const char *text) noexcept {
    MessageBoxA(nullptr, text != nullptr ? text : "", "Tessbridge",
                MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace platform
