#include "session.hpp"

#include <cstdio>

#include "output.hpp"
#include "tool_error.hpp"

namespace tess {

namespace {

const char *const kPlugInHint =
    "plug the adapter in and check 'tess list'; to try the tool without hardware, add --sim";

std::string serial_list(const std::vector<std::int32_t> &serials) {
    std::string text;
    for (const std::int32_t serial : serials) {
        text += (text.empty() ? "" : ", ") + std::to_string(serial);
    }
    return text;
}

}  // namespace

Session::Session(const GlobalOptions &options) : options_(options) {}

Session::~Session() {
    if (bridge_) {
        bridge_->SetMessagePresenter(nullptr, nullptr);
        bridge_->ShutdownProcedure();
    }
    // The simulations go after the library has let go of the adapters.
    bulk_simulation_.reset();
    hid_simulation_.reset();
}

void Session::prepare_hid_simulation() {
    if (options_.sim && !hid_simulation_) {
        hid_simulation_ = std::make_unique<HidSimulation>();
    }
}

void Session::present(const char *text, void *context) {
    auto *session = static_cast<Session *>(context);
    std::string message = text != nullptr ? text : "";
    for (char &c : message) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    session->messages_.push_back(message);
}

TessbridgeLibrary &Session::bridge_library() {
    if (!bridge_) {
        if (options_.sim && !bulk_simulation_) {
            bulk_simulation_ = std::make_unique<BulkSimulation>(
                BulkSimulationOptions{.hold_sda_clocks = options_.sim_hold_sda_clocks});
        }
        bridge_ = TessbridgeLibrary::load(load_messages_);
        bridge_->SetMessagePresenter(&Session::present, this);
        if (bulk_simulation_) {
            bulk_simulation_->settle();
            (void)bulk_simulation_->take_log();
            bulk_simulation_->fail_bulk_out(options_.sim_fail_out);
        }
    }
    return *bridge_;
}

TessbridgeLibrary &Session::bridge() {
    TessbridgeLibrary &library = bridge_library();
    if (bridge_selected_) {
        return library;
    }
    std::int32_t serials[10] = {};
    const std::int32_t count = library.GetNumberOfDevices() > 0 ? library.GetSerialNumbers(serials) : 0;
    const std::vector<std::int32_t> attached(serials, serials + (count > 0 ? count : 0));
    if (attached.empty()) {
        throw ToolError(ExitCode::NoAdapter, "no bulk adapter is attached", kPlugInHint);
    }
    if (options_.serial) {
        if (library.SelectBySerialNumber(*options_.serial) == 0) {
            throw ToolError(ExitCode::NoAdapter,
                            "no bulk adapter has serial number " + std::to_string(*options_.serial),
                            "attached: " + serial_list(attached) +
                                "; choose one of them with --serial");
        }
    } else if (attached.size() > 1) {
        Output::note(std::to_string(attached.size()) + " adapters attached; using serial number " +
                     std::to_string(attached.front()) + " (choose one with --serial)");
        (void)library.SelectBySerialNumber(attached.front());
    }
    bridge_selected_ = true;
    messages_.clear();
    return library;
}

TesslinkLibrary &Session::link_library() {
    if (!link_) {
        link_ = TesslinkLibrary::load();
    }
    return *link_;
}

TesslinkLibrary &Session::link() {
    TesslinkLibrary &library = link_library();
    if (library.MPUSBGetDeviceVersion() == 0) {
        throw ToolError(ExitCode::NoAdapter, "no HID adapter answers",
                        "plug it in (USB 04d8:ff5c) and check that you may open its "
                        "/dev/hidraw node; to try the tool without hardware, add --sim");
    }
    return library;
}

std::vector<std::string> Session::take_messages() {
    std::vector<std::string> taken;
    taken.swap(messages_);
    return taken;
}

void Session::begin_command() {
    messages_.clear();
    if (bulk_simulation_) {
        (void)bulk_simulation_->take_log();
    }
}

void Session::end_command() {
    if (options_.sim_log && bulk_simulation_) {
        (void)std::fflush(stdout);
        for (const std::string &line : bulk_simulation_->take_log()) {
            (void)std::fprintf(stderr, "sim-log: %s\n", line.c_str());
        }
    }
}

}  // namespace tess
