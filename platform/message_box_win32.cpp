// Windows: a modal message box with the text, no icon, one OK button, centred.
// Where no box can be shown (no interactive desktop: a service, a console
// session without one), the text goes to standard error instead of being lost.
#include <windows.h>

#include "message_box.hpp"
#include "standard_error.hpp"

namespace platform {

void show_message_box(const char *text) noexcept {
    const int answer = MessageBoxA(nullptr, text != nullptr ? text : "", "Tessbridge",
                                   MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    if (answer <= 0) {
        write_to_standard_error(text);
    }
}

}  // namespace platform
