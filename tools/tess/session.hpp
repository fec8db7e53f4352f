// The adapters one run of the tool talks to: the libraries, loaded when a
// command first needs them, the selected bulk adapter, and with --sim the
// simulated adapters behind them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bulk_simulation.hpp"
#include "hid_simulation.hpp"
#include "tessbridge_library.hpp"
#include "tesslink_library.hpp"

namespace tess {

struct GlobalOptions {
    std::optional<std::int32_t> serial;  // --serial
    bool json = false;
    bool sim = false;
    bool sim_log = false;              // print the simulated toolkit's transfers
    unsigned sim_hold_sda_clocks = 0;  // simulated stuck bus
    unsigned sim_fail_out = 0;         // simulated transfer failure: the Nth packet sent
    std::string sim_option;            // the first --sim-* option given (they need --sim)
};

class Session {
public:
    explicit Session(const GlobalOptions &options);
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    ~Session();

    // Sets up the HID adapter's simulation (with --sim); must come before
    // anything looks at /sys or /dev, so main() calls it first.
    void prepare_hid_simulation();

    // libtessbridge with an adapter selected (--serial, or the first). Throws
    // ToolError: NoAdapter when none is attached or none has the serial number.
    TessbridgeLibrary &bridge();
    // The loaded library without the adapter checks (for `list`).
    TessbridgeLibrary &bridge_library();
    // libtesslink with the HID adapter answering. Throws NoAdapter when it does not.
    TesslinkLibrary &link();
    TesslinkLibrary &link_library();

    // Messages the bridge library presented since the last call.
    std::vector<std::string> take_messages();
    // Before a command: clears the messages and the simulated transfer log.
    void begin_command();
    // After a command: prints the simulated transfer log with --sim-log.
    void end_command();

    [[nodiscard]] const GlobalOptions &options() const { return options_; }
    [[nodiscard]] bool hid_simulated() const { return hid_simulation_ != nullptr; }
    // Messages the bridge library wrote while it loaded.
    [[nodiscard]] const std::vector<std::string> &load_messages() const { return load_messages_; }

private:
    static void present(const char *text, void *context);

    GlobalOptions options_;
    std::unique_ptr<HidSimulation> hid_simulation_;
    std::unique_ptr<BulkSimulation> bulk_simulation_;
    std::optional<TessbridgeLibrary> bridge_;
    std::optional<TesslinkLibrary> link_;
    bool bridge_selected_ = false;
    std::vector<std::string> messages_;
    std::vector<std::string> load_messages_;
};

}  // namespace tess
