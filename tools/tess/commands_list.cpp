// tess list: the attached adapters and the libraries' versions.
#include <cstdio>

#include "numbers.hpp"
#include "subcommands.hpp"

namespace tess {

namespace {

std::string packed_version(std::int32_t version) {
    // One hexadecimal digit per part: 0x1811 is 1.8.1.1.
    char text[32];
    (void)std::snprintf(text, sizeof text, "%d.%d.%d.%d", (version >> 12) & 0xF,
                        (version >> 8) & 0xF, (version >> 4) & 0xF, version & 0xF);
    return text;
}

std::string hex16(unsigned value) {
    char text[8];
    (void)std::snprintf(text, sizeof text, "0x%04x", value & 0xFFFFU);
    return text;
}

// What one listing found.
struct Found {
    bool adapter = false;
    std::vector<std::string> unloaded;  // why a library could not be loaded
};

// The bulk adapters: one entry each, or an error entry when the library is missing.
Json list_bulk(Context &context, std::vector<std::string> &lines, Found &found) {
    Json result = Json::object();
    TessbridgeLibrary *library = nullptr;
    try {
        library = &context.session.bridge_library();
    } catch (const ToolError &error) {
        lines.push_back("Bulk adapters (libtessbridge): library not loaded: " +
                        std::string(error.what()));
        result.set("error", error.what());
        found.unloaded.emplace_back(error.what());
        return result;
    }
    const std::int32_t version = library->Get_DLL_Version();
    result.set("library_version", packed_version(version));
    result.set("toolkit", Json::object({{"file", library->toolkit_file},
                                        {"simulated", library->toolkit_simulated}}));
    std::int32_t serials[10] = {};
    const std::int32_t count =
        library->GetNumberOfDevices() > 0 ? library->GetSerialNumbers(serials) : 0;
    lines.push_back("Bulk adapters (libtessbridge " + packed_version(version) + "): " +
                    (count > 0 ? std::to_string(count) : "none attached"));
    lines.push_back("  driver toolkit: " + library->toolkit_file +
                    (library->toolkit_simulated ? " (simulated)" : " (real, libusb)"));
    Json adapters = Json::array();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t serial = serials[i];
        Json adapter = Json::object({{"serial", serial}});
        if (library->SelectBySerialNumber(serial) == 0) {
            continue;
        }
        const std::uint8_t revision = library->GetFirmwareRevision();
        std::uint8_t info[3] = {0xFF, 0xFF, 0xFF};
        const bool have_info = library->GetHardwareInfo(info) == 0;
        const std::int32_t khz = library->GetI2CFrequency();
        const bool failed = !context.session.take_messages().empty();
        char text[200];
        if (failed) {
            (void)std::snprintf(text, sizeof text, "  serial %d: does not answer", serial);
            adapter.set("answers", false);
        } else {
            (void)std::snprintf(text, sizeof text,
                                "  serial %d: firmware revision 0x%02x, hardware info %02x %02x, "
                                "I2C clock %d kHz",
                                serial, unsigned{revision}, unsigned{info[1]}, unsigned{info[2]},
                                khz);
            adapter.set("answers", true);
            found.adapter = true;
            adapter.set("firmware_revision", revision);
            if (have_info) {
                adapter.set("hardware_info", Json::array({info[1], info[2]}));
            }
            adapter.set("i2c_clock_khz", khz);
        }
        lines.emplace_back(text);
        adapters.push(std::move(adapter));
    }
    result.set("adapters", std::move(adapters));
    // Leave the adapter selected that the other commands would use.
    if (count > 0) {
        (void)library->SelectBySerialNumber(context.session.options().serial.value_or(serials[0]));
    }
    return result;
}

Json list_hid(Context &context, std::vector<std::string> &lines, Found &found) {
    Json result = Json::object();
    if (context.session.options().sim && !context.session.hid_simulated()) {
        lines.push_back(std::string("HID adapter (libtesslink): ") +
                        HidSimulation::unavailable_reason());
        result.set("error", HidSimulation::unavailable_reason());
        return result;
    }
    TesslinkLibrary *library = nullptr;
    try {
        library = &context.session.link_library();
    } catch (const ToolError &error) {
        lines.push_back("HID adapter (libtesslink): library not loaded: " + std::string(error.what()));
        result.set("error", error.what());
        found.unloaded.emplace_back(error.what());
        return result;
    }
    const int dll = library->MPUSBGetDLLVersion();
    result.set("library_version", hex16(static_cast<unsigned>(dll)));
    const unsigned version = library->MPUSBGetDeviceVersion();
    if (version == 0) {
        lines.push_back("HID adapter (libtesslink " + hex16(static_cast<unsigned>(dll)) +
                        "): none answers");
        result.set("attached", false);
        return result;
    }
    const unsigned clock = library->MPUGetI2CFrequency();
    lines.push_back("HID adapter (libtesslink " + hex16(static_cast<unsigned>(dll)) +
                    "): firmware version " + hex16(version) + ", I2C clock setting " +
                    std::to_string(clock));
    result.set("attached", true);
    found.adapter = true;
    result.set("firmware_version", static_cast<int>(version));
    result.set("i2c_clock_setting", static_cast<int>(clock));
    return result;
}

void list(Context &context) {
    std::vector<std::string> lines;
    Json result = Json::object();
    result.set("simulated", context.session.options().sim);
    Found found;
    Json bulk = list_bulk(context, lines, found);
    Json hid = list_hid(context, lines, found);
    result.set("bulk", std::move(bulk));
    result.set("hid", std::move(hid));
    if (context.session.options().sim) {
        lines.emplace_back("");
        lines.emplace_back("Simulated devices behind bulk adapter " +
                           std::string(BulkSimulation::kSerial) + ":");
        Json devices = Json::array();
        for (const std::string &device : BulkSimulation::describe()) {
            lines.push_back("  " + device);
            devices.push(device);
        }
        if (context.session.hid_simulated()) {
            lines.emplace_back("Simulated devices behind the HID adapter:");
            for (const std::string &device : HidSimulation::describe()) {
                lines.push_back("  " + device);
                devices.push(device);
            }
        }
        result.set("simulated_devices", std::move(devices));
    }
    for (const std::string &text : lines) {
        context.out.line(text);
    }
    context.out.result(result);
    if (!found.unloaded.empty()) {
        std::string reasons;
        for (const std::string &reason : found.unloaded) {
            reasons += (reasons.empty() ? "" : "; ") + reason;
        }
        throw ToolError(ExitCode::Environment, "the adapters cannot be listed: " + reasons,
                        "install the libraries (cmake --install), or run the tess of the build "
                        "tree that built them");
    }
    if (!found.adapter) {
        throw ToolError(ExitCode::NoAdapter, "no adapter found",
                        "plug one in; to try the tool without hardware, add --sim");
    }
}

struct ListOptions {};

Runner prepare_list(const ListOptions &) { return list; }

}  // namespace

void add_list_command(CLI::App &app, CommandSlot &slot) {
    std::shared_ptr<ListOptions> options;
    auto *list_command = add_command(app, slot, "list",
                                     "List the attached adapters: serial numbers, firmware, "
                                     "hardware information, the libraries' versions and the "
                                     "driver toolkit",
                                     Needs::Both, prepare_list, options);
    describe(list_command, Needs::Both, {"tess list", "tess --sim --json list"});
}

}  // namespace tess
