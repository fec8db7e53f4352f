// tess io and tess power: the IO pin, the bus functions, the bus lines as IO,
// and the 3 V and 5 V supplies of the bulk adapter.
#include <cstdio>

#include "numbers.hpp"
#include "subcommands.hpp"

namespace tess {

namespace {

struct IoOptions {
    std::string bus;    // i2c or spi
    std::string state;  // on/off, or a level
    std::string value;  // line levels to drive
};

void check_bus_name(const std::string &bus) {
    if (bus != "i2c" && bus != "spi") {
        throw bad_argument("unknown bus '" + bus + "'", "write i2c or spi");
    }
}

Runner prepare_io_get(const IoOptions &) {
    return [](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::int32_t port = tb.Read_IO();
        check_bridge_sent(context, port >= 0, "reading the IO port");
        char text[80];
        (void)std::snprintf(text, sizeof text, "IO port 0x%02x: output %s", unsigned(port),
                            (port & 1) != 0 ? "high" : "low");
        context.out.line(text);
        context.out.result(Json::object({{"port", port}, {"output", (port & 1) != 0}}));
    };
}

Runner prepare_io_set(const IoOptions &options) {
    const bool high = parse_on_off(options.state);
    return [high](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        check_bridge_sent(context, tb.Write_IO(high ? 1 : 0) == 1, "setting the IO output");
        context.out.line(std::string("IO output ") + (high ? "high" : "low"));
        context.out.result(Json::object({{"output", high}}));
    };
}

Runner prepare_bus(const IoOptions &options) {
    check_bus_name(options.bus);
    const bool on = parse_on_off(options.state);
    const std::string bus = options.bus;
    return [bus, on](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        std::int32_t sent = 0;
        if (bus == "i2c") {
            sent = on ? tb.Enable_I2C() : tb.Disable_I2C();
        } else {
            sent = on ? tb.Enable_SPI() : tb.Disable_SPI();
        }
        check_bridge_sent(context, sent == 1, "switching the " + bus + " function");
        context.out.line(bus + " function " + (on ? "on" : "off"));
        context.out.result(Json::object({{"bus", bus}, {"on", on}}));
        if (bus == "spi" && !on) {
            Output::note("while the SPI function is off, the SPI commands send nothing (reads "
                         "give 0xff); 'tess io bus spi on' switches it back");
        }
    };
}

// How the lines of a bus are numbered in GPIO_*_Read and GPIO_*_Write, and
// which of them the adapter drives: open-drain lines (I2C) only pull low,
// push-pull outputs (SPI) both ways, an input (MISO) never.
struct BusLines {
    std::vector<const char *> names;
    std::uint8_t pulled_low_only;  // a line driven low must read low
    std::uint8_t push_pull;        // the line must read as driven
};

const BusLines &lines_of(const std::string &bus) {
    static const BusLines i2c{{"SDA", "SCL"}, 0x03, 0x00};
    static const BusLines spi{{"SCK", "MOSI", "MISO", "CS"}, 0x00, 0x0B};
    return bus == "i2c" ? i2c : spi;
}

// The first line that does not show the level it was driven to, if any: the
// adapter drives the lines only while the bus function is off.
std::string undriven_line(const BusLines &lines, std::int32_t driven, std::uint8_t levels) {
    for (std::size_t bit = 0; bit < lines.names.size(); ++bit) {
        const unsigned mask = 1U << bit;
        const bool want_high = (static_cast<unsigned>(driven) & mask) != 0;
        const bool high = (levels & mask) != 0;
        const bool checked = (lines.push_pull & mask) != 0 ||
                             ((lines.pulled_low_only & mask) != 0 && !want_high);
        if (checked && want_high != high) {
            return std::string(lines.names[bit]) + " driven " + (want_high ? "high" : "low") +
                   " reads " + (high ? "high" : "low");
        }
    }
    return {};
}

Runner prepare_lines(const IoOptions &options) {
    check_bus_name(options.bus);
    const std::string bus = options.bus;
    const BusLines &lines = lines_of(bus);
    std::optional<std::int32_t> driven;
    if (!options.value.empty()) {
        const std::int64_t mask = (1 << lines.names.size()) - 1;
        driven = static_cast<std::int32_t>(parse_number(options.value, "line levels", 0, mask));
    }
    return [bus, &lines, driven](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        if (driven) {
            const std::int32_t sent =
                bus == "i2c" ? tb.GPIO_I2C_Write(*driven) : tb.GPIO_SPI_Write(*driven);
            check_bridge_sent(context, sent == 1, "driving the " + bus + " lines");
        }
        const std::uint8_t levels = bus == "i2c" ? tb.GPIO_I2C_Read() : tb.GPIO_SPI_Read();
        check_bridge_sent(context, levels != 255, "reading the " + bus + " lines");
        std::string text = bus + " lines:";
        Json levels_json = Json::object();
        for (std::size_t bit = 0; bit < lines.names.size(); ++bit) {
            const bool high = (levels & (1U << bit)) != 0;
            text += std::string(" ") + lines.names[bit] + "=" + (high ? "1" : "0");
            levels_json.set(lines.names[bit], high);
        }
        context.out.line(text);
        context.out.result(Json::object({{"bus", bus}, {"lines", std::move(levels_json)}}));
        if (driven) {
            const std::string undriven = undriven_line(lines, *driven, levels);
            if (!undriven.empty()) {
                throw ToolError(ExitCode::BusError,
                                "the adapter did not drive the " + bus + " lines: " + undriven,
                                "it drives them only while its " + bus +
                                    " function is off: 'tess io bus " + bus + " off' first");
            }
        }
    };
}

Runner prepare_power(const IoOptions &options) {
    if (options.bus != "3v" && options.bus != "5v") {
        throw bad_argument("unknown supply '" + options.bus + "'", "write 3v or 5v");
    }
    const bool on = parse_on_off(options.state);
    const std::string supply = options.bus;
    return [supply, on](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::int32_t sent = supply == "3v" ? tb.Enable3VOutputPower(on ? 1 : 0)
                                                 : tb.Enable5VOutputPower(on ? 1 : 0);
        check_bridge_sent(context, sent == -1, "switching the " + supply + " supply");
        const std::string volts = supply == "3v" ? "3 V" : "5 V";
        context.out.line(volts + " supply " + (on ? "on" : "off"));
        context.out.result(Json::object({{"supply", supply}, {"on", on}}));
    };
}

}  // namespace

void add_io_commands(CLI::App &app, CommandSlot &slot) {
    auto *io = app.add_subcommand("io", "The IO pin, the bus functions and the bus lines as IO");
    io->require_subcommand(1);
    describe(io, Needs::Bulk, {"tess io get", "tess io bus spi off"});

    std::shared_ptr<IoOptions> get_options;
    auto *get = add_command(*io, slot, "get", "Read the IO port (bit 0 is the output)", Needs::Bulk,
                            prepare_io_get, get_options);
    describe(get, Needs::Bulk, {"tess io get"});

    std::shared_ptr<IoOptions> set_options;
    auto *set = add_command(*io, slot, "set", "Set the IO output", Needs::Bulk, prepare_io_set,
                            set_options);
    set->add_option("level", set_options->state, "on or off (also 1/0, high/low, true/false)")
        ->type_name("STATE")
        ->required();
    describe(set, Needs::Bulk, {"tess io set high", "tess io set off"});

    std::shared_ptr<IoOptions> bus_options;
    auto *bus = add_command(*io, slot, "bus", "Switch the adapter's I2C or SPI function on or off",
                            Needs::Bulk, prepare_bus, bus_options);
    bus->add_option("bus", bus_options->bus, "i2c or spi")->type_name("BUS")->required();
    bus->add_option("state", bus_options->state, "on or off (also 1/0, high/low, true/false)")
        ->type_name("STATE")
        ->required();
    describe(bus, Needs::Bulk, {"tess io bus i2c off", "tess io bus spi on"});

    std::shared_ptr<IoOptions> lines_options;
    auto *lines = add_command(*io, slot, "lines",
                              "Read the bus lines, or drive them first (I2C: bit 0 SDA, bit 1 SCL; "
                              "SPI: bit 0 SCK, 1 MOSI, 2 MISO, 3 CS). The adapter drives them only "
                              "while its function is off; a line that does not follow is an error",
                              Needs::Bulk, prepare_lines, lines_options);
    lines->add_option("bus", lines_options->bus, "i2c or spi")->type_name("BUS")->required();
    lines->add_option("levels", lines_options->value, "Levels to drive, as a number")
        ->type_name("LEVELS");
    describe(lines, Needs::Bulk,
             {"tess io lines i2c", "printf 'io bus i2c off\\nio lines i2c 2\\n' | tess batch -"});

    std::shared_ptr<IoOptions> power_options;
    auto *power = add_command(app, slot, "power", "Switch the 3 V or 5 V supply output",
                              Needs::Bulk, prepare_power, power_options);
    power->add_option("supply", power_options->bus, "3v or 5v")->type_name("SUPPLY")->required();
    power->add_option("state", power_options->state, "on or off (also 1/0, high/low, true/false)")
        ->type_name("STATE")
        ->required();
    describe(power, Needs::Bulk, {"tess power 3v on", "tess --serial 1234 power 5v off"});
}

}  // namespace tess
