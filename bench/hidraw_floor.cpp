#include "hidraw_floor.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace bench {

bool hidraw_send(const std::string &node, std::span<const std::uint8_t> report) {
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const ssize_t written = ::write(fd, report.data(), report.size());
    ::close(fd);
    return written == static_cast<ssize_t>(report.size());
}

bool hidraw_exchange(const std::string &node, std::span<const std::uint8_t> report,
                     std::span<std::uint8_t> reply) {
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool replied = false;
    if (hidraw_send(node, report)) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 1000) == 1) {
            replied = ::read(fd, reply.data(), reply.size()) > 0;
        }
    }
    ::close(fd);
    return replied;
}

}  // namespace bench
