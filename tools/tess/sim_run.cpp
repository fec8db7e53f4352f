// tess sim-run: runs a host program, unmodified and in any language, against
// the simulated adapters of --sim. The program gets the simulated toolkit
// first on its library path, then the build tree's libtessbridge.so and
// libtesslink.so; the toolkit plugs the demo bench when the library starts up
// (WDSIM_BENCH=demo unless set); and the HID adapter's emulation,
// libtesslink_sim.so, is preloaded with TESSLINK_SIM=demo under
// umockdev-wrapper. The tool goes through two stages: it sets the library path
// and the bench, restarts itself under umockdev-wrapper, adds the preload and
// then becomes the program.
#include <filesystem>

#include "command.hpp"
#include "hid_simulation.hpp"
#include "output.hpp"
#include "process.hpp"

namespace tess {

namespace {

// `folders`, then the variable's own value, joined by ':'.
std::string prepended(const char *variable, const std::vector<std::string> &folders) {
    std::string value;
    for (const std::string &folder : folders) {
        value += (value.empty() ? "" : ":") + folder;
    }
    const auto old = process::environment(variable);
    if (old && !old->empty()) {
        value += ":" + *old;
    }
    return value;
}

std::vector<std::string> library_folders() {
    const std::filesystem::path toolkit(TESS_SIM_TOOLKIT);
    if (!std::filesystem::exists(toolkit)) {
        throw ToolError(ExitCode::Environment,
                        "the simulated toolkit " + toolkit.string() + " is missing",
                        "sim-run works from the build tree: build the project (scripts/build) "
                        "and run the tess it made");
    }
    return {toolkit.parent_path().string(), TESS_BRIDGE_FOLDER, TESS_LINK_FOLDER};
}

// Stage 2, under umockdev: the HID emulation is preloaded into the program.
[[noreturn]] void run_with_hid_emulation(const std::vector<std::string> &program) {
    HidSimulation::end_restart();
    process::set_environment("LD_PRELOAD",
                             process::environment("LD_PRELOAD").value_or("") + ":" +
                                 HidSimulation::library_path());
    if (!process::environment("TESSLINK_SIM")) {
        process::set_environment("TESSLINK_SIM", "demo");
    }
    process::replace_with(program.front(), program);
}

}  // namespace

void run_program_simulated(const std::vector<std::string> &program) {
    if (program.empty()) {
        throw bad_argument("sim-run needs the program to run", std::string("write ") + kSimRunUsage);
    }
    if (HidSimulation::restarted()) {
        if (!HidSimulation::under_umockdev()) {
            throw ToolError(ExitCode::Environment,
                            "umockdev-wrapper did not put umockdev's preload library in place",
                            "check the umockdev installation (Debian: umockdev)");
        }
        run_with_hid_emulation(program);
    }
    process::set_environment("LD_LIBRARY_PATH", prepended("LD_LIBRARY_PATH", library_folders()));
    if (!process::environment("WDSIM_BENCH")) {
        process::set_environment("WDSIM_BENCH", "demo");
    }
    if (HidSimulation::available()) {
        std::vector<std::string> arguments{"sim-run", "--"};
        arguments.insert(arguments.end(), program.begin(), program.end());
        HidSimulation::restart_under_umockdev(arguments);
    } else {
        Output::note("the HID adapter is not emulated: this tess was built without umockdev");
    }
    process::replace_with(program.front(), program);
}

}  // namespace tess
