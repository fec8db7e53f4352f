#include "standard_error.hpp"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {

void write_to_standard_error(const char *text) noexcept {
    try {
        std::string shown = text != nullptr ? text : "";
        for (char &c : shown) {
            if (c == '\r') {
                c = '\n';
            }
        }
        shown += '\n';
        const int fd = fileno(stderr);
        std::size_t done = 0;
        while (done < shown.size()) {
            const auto n = write(fd, shown.data() + done,
                                 static_cast<unsigned int>(shown.size() - done));
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
