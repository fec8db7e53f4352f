#include "hidraw_kernel_rules.hpp"

#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace hid_adapter::hidraw_kernel {
namespace {

struct Node {
    bool taking = true;
    unsigned opens = 0;
    unsigned openHandles = 0;  // includes closes under way
};

// Never destroyed: the interposed functions run until the process has ended.
struct Kernel {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<unsigned, Node> nodes;
    std::map<int, unsigned> openFds;  // descriptor -> node index
    unsigned writesWaiting = 0;
    unsigned callsThatWaited = 0;

    // An open or a close of a hidraw node: waits while a write is in the kernel.
    void takeTableLock(std::unique_lock<std::mutex> &lock) {
        if (writesWaiting > 0) {
            ++callsThatWaited;
            changed.wait(lock, [this] { return writesWaiting == 0; });
        }
    }
};

Kernel &kernel() {
    static auto *instance = new Kernel();
    return *instance;
}

std::atomic<bool> rulesLinked{false};

std::optional<unsigned> nodeIndex(const char *path) {
    constexpr std::string_view kPrefix = "/dev/hidraw";
    if (path == nullptr || std::strncmp(path, kPrefix.data(), kPrefix.size()) != 0) {
        return std::nullopt;
    }
    const std::string_view digits(path + kPrefix.size());
    unsigned index = 0;
    const auto [end, error] = std::from_chars(digits.begin(), digits.end(), index);
    if (error != std::errc{} || end != digits.end() || digits.empty()) {
        return std::nullopt;
    }
    return index;
}

}  // namespace

void setTakingReports(unsigned index, bool taking) {
    if (!rulesLinked) {
        throw std::logic_error("hidraw kernel rules: link devices_hid_adapter_kernel_rules");
    }
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    k.nodes[index].taking = taking;
    k.changed.notify_all();
}

unsigned writesWaiting() {
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    return k.writesWaiting;
}

unsigned callsThatWaited() {
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    return k.callsThatWaited;
}

unsigned opens(unsigned index) {
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    return k.nodes[index].opens;
}

void waitUntilClosed(unsigned index) {
    Kernel &k = kernel();
    std::unique_lock lock(k.mutex);
    k.changed.wait(lock, [&k, index] { return k.nodes[index].openHandles == 0; });
}

void noteRulesLinked() {
    rulesLinked = true;
}

void beforeOpen(const char *path) {
    if (!nodeIndex(path)) {
        return;
    }
    Kernel &k = kernel();
    std::unique_lock lock(k.mutex);
    k.takeTableLock(lock);
}

void afterOpen(const char *path, int fd) {
    const auto index = nodeIndex(path);
    if (!index || fd < 0) {
        return;
    }
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    Node &node = k.nodes[*index];
    ++node.opens;
    ++node.openHandles;
    k.openFds[fd] = *index;
}

int beforeClose(int fd) {
    Kernel &k = kernel();
    std::unique_lock lock(k.mutex);
    const auto found = k.openFds.find(fd);
    if (found == k.openFds.end()) {
        return -1;
    }
    const unsigned index = found->second;
    // Forgotten before the descriptor is closed, so that a number the system
    // hands out again is not taken for this node.
    k.openFds.erase(found);
    k.takeTableLock(lock);
    return static_cast<int>(index);
}

void afterClose(int index) {
    if (index < 0) {
        return;
    }
    Kernel &k = kernel();
    const std::lock_guard lock(k.mutex);
    --k.nodes[static_cast<unsigned>(index)].openHandles;
    k.changed.notify_all();
}

bool beforeWrite(int fd) {
    Kernel &k = kernel();
    std::unique_lock lock(k.mutex);
    const auto found = k.openFds.find(fd);
    if (found == k.openFds.end()) {
        return true;
    }
    Node &node = k.nodes[found->second];
    if (node.taking) {
        return true;
    }
    ++k.writesWaiting;
    const bool taken = k.changed.wait_for(lock, kWriteTimeout, [&node] { return node.taking; });
    --k.writesWaiting;
    k.changed.notify_all();
    return taken;
}

}  // namespace hid_adapter::hidraw_kernel
