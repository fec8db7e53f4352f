// Runs a host program against one emulated adapter, the way a user runs it:
// the program is linked against libtessbridge alone and knows nothing of the
// emulation.
//
//   emulated_host_launcher SERIAL REVISION PROGRAM [ARGUMENTS...]
//
// This process creates the umockdev testbed, plugs in an adapter (04CC:F297,
// serial SERIAL, firmware revision REVISION) and starts PROGRAM under
// umockdev-wrapper; the child shares the testbed through UMOCKDEV_DIR and its
// usbdevfs ioctls are answered here, on the testbed's worker thread. The
// adapter is present before the program loads, so libtessbridge's start-up
// finds it. Exits with the program's exit status.
#include "usb_bench.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SERIAL REVISION PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    emulated::UsbBench &bench = emulated::UsbBench::get();
    emulated::EmulatedAdapter &adapter = bench.add({.serial = argv[1]});
    const auto revision = static_cast<uint8_t>(std::strtoul(argv[2], nullptr, 0));
    adapter.with_firmware([&](auto &firmware) { firmware.set_firmware_revision(revision); });
    bench.plug(adapter);

    std::vector<char *> child{const_cast<char *>(UMOCKDEV_WRAPPER)};
    child.insert(child.end(), argv + 3, argv + argc);
    child.push_back(nullptr);
    pid_t pid = 0;
    if (const int error = posix_spawn(&pid, UMOCKDEV_WRAPPER, nullptr, nullptr, child.data(),
                                      environ)) {
        std::fprintf(stderr, "cannot start %s: error %d\n", UMOCKDEV_WRAPPER, error);
        return 2;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return 2;
    }
    if (!WIFEXITED(status)) {
        std::fprintf(stderr, "%s did not exit normally (status %d)\n", argv[3], status);
        return 1;
    }
    return WEXITSTATUS(status);
}
