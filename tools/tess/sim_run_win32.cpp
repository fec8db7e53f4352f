// tess sim-run on Windows: not offered. It rests on the Linux library path and
// on the HID adapter's emulation under umockdev, which Windows has not.
#include "command.hpp"

namespace tess {

void run_program_simulated(const std::vector<std::string> & /*program*/) {
    throw ToolError(ExitCode::Environment, "sim-run is not available on Windows",
                    "put the folder of the simulated wdapi801.dll first on PATH, set "
                    "WDSIM_BENCH=demo and run the program: the bulk adapter is simulated then");
}

}  // namespace tess
