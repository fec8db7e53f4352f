// tess hid: the HID adapter's version, clock, LED, reset, register reads and
// writes, and a PMBus read-out.
#include <cmath>
#include <cstdio>
#include <optional>

#include "hid_simulation.hpp"
#include "numbers.hpp"
#include "pmbus_decode.hpp"
#include "status_texts.hpp"
#include "subcommands.hpp"

namespace tess {

namespace {

// The longest single write (a 64-byte report less its six header bytes) and read.
constexpr std::size_t kMaxSingleWrite = 58;
constexpr std::size_t kMaxSingleRead = 60;
constexpr std::size_t kMaxBlock = 256;

struct HidOptions {
    std::string address = "0x58";
    std::string reg;
    std::string count = "1";
    std::vector<std::string> values;
    std::string text;
    std::string value;
    std::string page;
    bool force = false;
};

TesslinkLibrary &hid(Context &context) {
    if (context.session.options().sim && !context.session.hid_simulated()) {
        throw ToolError(ExitCode::Environment, HidSimulation::unavailable_reason(),
                        HidSimulation::unavailable_hint());
    }
    return context.session.link();
}

std::uint8_t bus_form(const HidOptions &options) {
    return static_cast<std::uint8_t>(parse_address7(options.address, options.force) << 1U);
}

std::string hex16(unsigned value) {
    char text[8];
    (void)std::snprintf(text, sizeof text, "0x%04x", value & 0xFFFFU);
    return text;
}

void show_version(Context &context) {
    TesslinkLibrary &link = hid(context);
    const unsigned version = link.MPUSBGetDeviceVersion();
    const int dll = link.MPUSBGetDLLVersion();
    context.out.line("HID adapter firmware version " + hex16(version) + ", libtesslink " +
                     hex16(static_cast<unsigned>(dll)));
    context.out.result(Json::object({{"firmware_version", static_cast<int>(version)},
                                     {"library_version", dll}}));
}

Runner prepare_version(const HidOptions &) { return show_version; }

Runner prepare_clock(const HidOptions &options) {
    std::optional<unsigned> value;
    if (!options.value.empty()) {
        value = static_cast<unsigned>(parse_number(options.value, "clock setting", 1, 0xFFFF));
    }
    return [value](Context &context) {
        TesslinkLibrary &link = hid(context);
        const unsigned setting = value ? link.MPUSetI2CFrequency(*value) : link.MPUGetI2CFrequency();
        if (setting == 0) {
            throw ToolError(ExitCode::BusError, "the HID adapter did not answer the clock command",
                            "check that it is plugged in ('tess list')");
        }
        context.out.line("I2C clock setting " + std::to_string(setting));
        context.out.result(Json::object({{"clock_setting", static_cast<int>(setting)}}));
    };
}

void flash_led(Context &context) {
    TesslinkLibrary &link = hid(context);
    if (link.MPUSBFlashLED() != 0) {
        throw ToolError(ExitCode::BusError, "the HID adapter answered the LED command wrongly",
                        "unplug the adapter and plug it in again");
    }
    context.out.line("LED flashed");
    context.out.result(Json::object({{"flashed", true}}));
}

Runner prepare_led(const HidOptions &) { return flash_led; }

void reset(Context &context) {
    TesslinkLibrary &link = hid(context);
    if (link.MPUReset() != 255) {
        throw ToolError(ExitCode::BusError, "the reset command did not reach the HID adapter",
                        "check that it is plugged in ('tess list')");
    }
    context.out.line("reset sent");
    context.out.result(Json::object({{"reset", true}}));
}

Runner prepare_reset(const HidOptions &) { return reset; }

std::vector<std::uint8_t> read_hid(TesslinkLibrary &link, std::uint8_t address, std::uint8_t reg,
                                   std::size_t count, const std::string &what) {
    std::vector<std::uint8_t> data(count, 0xFF);
    const std::uint8_t status =
        count <= kMaxSingleRead
            ? link.MPUI2CRead(address, static_cast<unsigned>(count), data.data(), reg)
            : link.MPUI2CReadArray(address, reg, static_cast<unsigned>(count), data.data());
    if (status != 0) {
        throw hid_i2c_error(status, what);
    }
    return data;
}

Runner prepare_get(const HidOptions &options) {
    const std::uint8_t address = bus_form(options);
    const auto reg = static_cast<std::uint8_t>(parse_number(options.reg, "register", 0, 0xFF));
    const auto count = static_cast<std::size_t>(parse_number(options.count, "count", 1, kMaxBlock));
    const std::string what = "reading " + options.address;
    return [address, reg, count, what](Context &context) {
        TesslinkLibrary &link = hid(context);
        const auto data = read_hid(link, address, reg, count, what);
        context.out.line(hex_bytes(data));
        context.out.result(Json::object({{"address", address >> 1U}, {"register", reg},
                                         {"data", Json::array_of(data)}}));
    };
}

Runner prepare_set(const HidOptions &options) {
    const std::uint8_t address = bus_form(options);
    const auto reg = static_cast<std::uint8_t>(parse_number(options.reg, "register", 0, 0xFF));
    std::vector<std::uint8_t> data = parse_bytes(options.values);
    data.insert(data.end(), options.text.begin(), options.text.end());
    if (data.empty() || data.size() > kMaxBlock) {
        throw bad_argument("a write carries 1 to 256 bytes", "give byte values or --text");
    }
    const std::string what = "writing " + options.address;
    return [address, reg, data, what](Context &context) {
        TesslinkLibrary &link = hid(context);
        const std::uint8_t status =
            data.size() <= kMaxSingleWrite
                ? link.MPUI2CWrite(address, static_cast<unsigned>(data.size()), data.data(), reg)
                : link.MPUI2CWriteArray(address, reg, static_cast<unsigned>(data.size()),
                                        data.data());
        if (status != 0) {
            throw hid_i2c_error(status, what);
        }
        context.out.line("wrote " + std::to_string(data.size()) + " byte" +
                         (data.size() == 1 ? "" : "s"));
        context.out.result(Json::object({{"written", static_cast<int>(data.size())}}));
    };
}

// ---- PMBus -----------------------------------------------------------------

// A value right-aligned in a column, with its unit.
std::string column(double value, int decimals, const char *unit) {
    char text[48];
    (void)std::snprintf(text, sizeof text, "%9.*f %-3s", decimals, value, unit);
    return text;
}

void read_out(Context &context, std::uint8_t address, std::optional<std::uint8_t> page_wanted) {
    TesslinkLibrary &link = hid(context);
    if (page_wanted) {
        const std::uint8_t status = link.MPUI2CWrite(address, 1, &*page_wanted, pmbus::kPage);
        if (status != 0) {
            throw hid_i2c_error(status, "selecting PAGE " + std::to_string(*page_wanted));
        }
    }
    auto read_word = [&](std::uint8_t command, const char *name) {
        const auto bytes = read_hid(link, address, command, 2, std::string("reading ") + name);
        return pmbus::word_of(bytes[0], bytes[1]);
    };
    const std::uint8_t page = read_hid(link, address, pmbus::kPage, 1, "reading PAGE")[0];
    const std::uint8_t vout_mode = read_hid(link, address, pmbus::kVoutMode, 1, "reading VOUT_MODE")[0];
    const auto exponent = pmbus::vout_mode_exponent(vout_mode);
    if (!exponent) {
        throw ToolError(ExitCode::Undecoded,
                        "VOUT_MODE " + hex_byte(vout_mode) + " is not the linear format",
                        "read READ_VOUT (0x8b) with 'tess hid get' and decode it by the device's "
                        "data sheet");
    }
    const std::uint16_t vout_raw = read_word(pmbus::kReadVout, "READ_VOUT");
    const std::uint16_t iout_raw = read_word(pmbus::kReadIout, "READ_IOUT");
    const std::uint16_t temperature_raw = read_word(pmbus::kReadTemperature1, "READ_TEMPERATURE_1");
    const std::uint16_t status = read_word(pmbus::kStatusWord, "STATUS_WORD");
    const std::string manufacturer =
        pmbus::block_text(read_hid(link, address, pmbus::kMfrId, 33, "reading MFR_ID"));

    const double vout = pmbus::linear16(vout_raw, *exponent);
    const double iout = pmbus::linear11(iout_raw);
    const double temperature = pmbus::linear11(temperature_raw);
    const auto bits = pmbus::status_word_bits(status);
    std::string bit_text;
    for (const std::string &bit : bits) {
        bit_text += (bit_text.empty() ? "" : " ") + bit;
    }

    char heading[80];
    (void)std::snprintf(heading, sizeof heading, "PMBus device at 0x%02x, page %u", unsigned(address >> 1U),
                        unsigned{page});
    context.out.line(heading);
    context.out.line("  MFR_ID      " + manufacturer);
    context.out.line("  VOUT        " + column(vout, 3, "V") + "(READ_VOUT " + hex16(vout_raw) +
                     ", VOUT_MODE " + hex_byte(vout_mode) + ": linear, exponent " +
                     std::to_string(*exponent) + ")");
    context.out.line("  IOUT        " + column(iout, 3, "A") + "(READ_IOUT " + hex16(iout_raw) + ")");
    context.out.line("  TEMPERATURE " + column(temperature, 1, "C") + "(READ_TEMPERATURE_1 " +
                     hex16(temperature_raw) + ")");
    context.out.line("  STATUS_WORD    " + hex16(status) + (bits.empty() ? " (no bit set)" : " " + bit_text));
    context.out.result(Json::object({{"address", address >> 1U},
                                     {"page", page},
                                     {"mfr_id", manufacturer},
                                     {"vout", vout},
                                     {"vout_mode", vout_mode},
                                     {"iout", iout},
                                     {"temperature", temperature},
                                     {"status_word", status},
                                     {"status_bits", Json::array_of(bits)}}));
}

Runner prepare_pmbus(const HidOptions &options) {
    const std::uint8_t address = bus_form(options);
    std::optional<std::uint8_t> page;
    if (!options.page.empty()) {
        page = static_cast<std::uint8_t>(parse_number(options.page, "page", 0, 0xFF));
    }
    return [address, page](Context &context) { read_out(context, address, page); };
}

}  // namespace

void add_hid_commands(CLI::App &app, CommandSlot &slot) {
    auto *hid_app = app.add_subcommand("hid", "The HID adapter (Tesslink)");
    hid_app->require_subcommand(1);
    describe(hid_app, Needs::Hid, {"tess hid version", "tess hid pmbus"});

    std::shared_ptr<HidOptions> version_options;
    auto *version = add_command(*hid_app, slot, "version", "Show the adapter's firmware version",
                                Needs::Hid, prepare_version, version_options);
    describe(version, Needs::Hid, {"tess hid version"});

    std::shared_ptr<HidOptions> clock_options;
    auto *clock = add_command(*hid_app, slot, "clock",
                              "Show the I2C clock setting, or set it (the firmware's unit)",
                              Needs::Hid, prepare_clock, clock_options);
    clock->add_option("value", clock_options->value, "New setting, 1-65535")->type_name("N");
    describe(clock, Needs::Hid, {"tess hid clock", "tess hid clock 400"});

    std::shared_ptr<HidOptions> led_options;
    auto *led = add_command(*hid_app, slot, "led", "Flash the adapter's LED", Needs::Hid,
                            prepare_led, led_options);
    describe(led, Needs::Hid, {"tess hid led"});

    std::shared_ptr<HidOptions> reset_options;
    auto *reset_command = add_command(*hid_app, slot, "reset", "Reset the adapter", Needs::Hid,
                                      prepare_reset, reset_options);
    describe(reset_command, Needs::Hid, {"tess hid reset"});

    std::shared_ptr<HidOptions> get_options;
    auto *get = add_command(*hid_app, slot, "get", "Read registers", Needs::Hid, prepare_get,
                            get_options);
    add_address(get, get_options->address, get_options->force, "Device address (7-bit)");
    get->add_option("register", get_options->reg, "Register")->type_name("REG")->required();
    get->add_option("-n,--count", get_options->count, "Bytes to read, 1-256 (default 1)")
        ->type_name("N");
    describe(get, Needs::Hid, {"tess hid get 0x58 0x8b -n 2", "tess hid get 0x50 0 -n 16"});

    std::shared_ptr<HidOptions> set_options;
    auto *set = add_command(*hid_app, slot, "set", "Write registers", Needs::Hid, prepare_set,
                            set_options);
    add_address(set, set_options->address, set_options->force, "Device address (7-bit)");
    set->add_option("register", set_options->reg, "Register")->type_name("REG")->required();
    add_bytes(set, set_options->values, set_options->text);
    describe(set, Needs::Hid, {"tess hid set 0x58 0x21 0x00 0x14", "tess hid set 0x50 0x10 --text tess"});

    std::shared_ptr<HidOptions> pmbus_options;
    auto *pmbus_command = add_command(*hid_app, slot, "pmbus",
                                      "Read a PMBus device's telemetry: VOUT, IOUT, temperature, "
                                      "STATUS_WORD, MFR_ID",
                                      Needs::Hid, prepare_pmbus, pmbus_options);
    pmbus_command->add_option("address", pmbus_options->address,
                              "Device address (7-bit, default 0x58)")
        ->type_name("ADDR");
    pmbus_command->add_option("--page", pmbus_options->page, "Select this PAGE first")
        ->type_name("N");
    add_force_flag(pmbus_command, pmbus_options->force);
    describe(pmbus_command, Needs::Hid, {"tess hid pmbus", "tess hid pmbus 0x58 --page 1"});
}

}  // namespace tess
