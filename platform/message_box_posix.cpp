// POSIX systems have no system message box: the text goes to standard error,
// one message per line block, each carriage return shown as a line break.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "message_box.hpp"

namespace platform {

void show_message_box(const char *text) noexcept {
    try {
        std::string shown = text != nullptr ? text : "";
        for (char &c : shown) {
            if (c == '\r') {
                c = '\n';
            }
        }
        shown += '\n';
        // One write per message keeps messages from several threads apart.
        std::size_t done = 0;
        while (done < shown.size()) {
            const ssize_t n = ::write(STDERR_FILENO, shown.data() + done, shown.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    } catch (...) {  // out of memory: nothing more can be shown
    }
}

}  // namespace platform
