// tess io and tess power: the IO pin, the bus functions, the bus lines as IO,
// and the 3 V and 5 V supplies of the bulk adapter.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "command.hpp"
#include "numbers.hpp"

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

void run_io_get(Context &context, const IoOptions &) {
    TessbridgeLibrary &tb = context.session.bridge();
    const std::int32_t port = tb.Read_IO();
    check_bridge_sent(context, port >= 0, "reading the IO port");
    char text[80];
    (void)std::snprintf(text, sizeof text, "IO port 0x%02x: output %s", unsigned(port),
                        (port & 1) != 0 ? "high" : "low");
    context.out.line(text);
    context.out.result(Json::object({{"port", port}, {"output", (port & 1) != 0}}));
}

void run_io_set(Context &context, const IoOptions &options) {
    bool high = false;
    if (options.state == "high") {
        high = true;
    } else if (options.state != "low") {
        high = parse_number(options.state, "level", 0, 1) == 1;
    }
    TessbridgeLibrary &tb = context.session.bridge();
    check_bridge_sent(context, tb.Write_IO(high ? 1 : 0) == 1, "setting the IO output");
    context.out.line(std::string("IO output ") + (high ? "high" : "low"));
    context.out.result(Json::object({{"output", high}}));
}

void run_bus(Context &context, const IoOptions &options) {
    check_bus_name(options.bus);
    const bool on = parse_on_off(options.state);
    TessbridgeLibrary &tb = context.session.bridge();
    std::int32_t sent = 0;
    if (options.bus == "i2c") {
        sent = on ? tb.Enable_I2C() : tb.Disable_I2C();
    } else {
        sent = on ? tb.Enable_SPI() : tb.Disable_SPI();
    }
    check_bridge_sent(context, sent == 1, "switching the " + options.bus + " function");
    context.out.line(options.bus + " function " + (on ? "on" : "off"));
    context.out.result(Json::object({{"bus", options.bus}, {"on", on}}));
}

// Line names by the bits GPIO_*_Read and GPIO_*_Write use.
const std::vector<const char *> &line_names(const std::string &bus) {
    static const std::vector<const char *> i2c{"SDA", "SCL"};
    static const std::vector<const char *> spi{"SCK", "MOSI", "MISO", "CS"};
    return bus == "i2c" ? i2c : spi;
}

void run_lines(Context &context, const IoOptions &options) {
    check_bus_name(options.bus);
    const auto &names = line_names(options.bus);
    const std::int64_t mask = (1 << names.size()) - 1;
    TessbridgeLibrary &tb = context.session.bridge();
    if (!options.value.empty()) {
        const auto value = static_cast<std::int32_t>(parse_number(options.value, "line levels", 0, mask));
        const std::int32_t sent = options.bus == "i2c" ? tb.GPIO_I2C_Write(value) : tb.GPIO_SPI_Write(value);
        check_bridge_sent(context, sent == 1, "driving the " + options.bus + " lines");
    }
    const std::uint8_t levels = options.bus == "i2c" ? tb.GPIO_I2C_Read() : tb.GPIO_SPI_Read();
    check_bridge_sent(context, levels != 255, "reading the " + options.bus + " lines");
    std::string text = options.bus + " lines:";
    Json lines = Json::object();
    for (std::size_t bit = 0; bit < names.size(); ++bit) {
        const bool high = (levels & (1U << bit)) != 0;
        text += std::string(" ") + names[bit] + "=" + (high ? "1" : "0");
        lines.set(names[bit], high);
    }
    context.out.line(text);
    context.out.result(Json::object({{"bus", options.bus}, {"lines", std::move(lines)}}));
}

void run_power(Context &context, const IoOptions &options) {
    if (options.bus != "3v" && options.bus != "5v") {
        throw bad_argument("unknown supply '" + options.bus + "'", "write 3v or 5v");
    }
    const bool on = parse_on_off(options.state);
    TessbridgeLibrary &tb = context.session.bridge();
    const std::int32_t sent = options.bus == "3v" ? tb.Enable3VOutputPower(on ? 1 : 0)
                                                  : tb.Enable5VOutputPower(on ? 1 : 0);
    check_bridge_sent(context, sent == -1, "switching the " + options.bus + " supply");
    const std::string volts = options.bus == "3v" ? "3 V" : "5 V";
    context.out.line(volts + " supply " + (on ? "on" : "off"));
    context.out.result(Json::object({{"supply", options.bus}, {"on", on}}));
}

CLI::App *add(CLI::App &parent, CommandSlot &slot, const std::string &name, const std::string &help,
              void (*run)(Context &, const IoOptions &), std::shared_ptr<IoOptions> &options) {
    auto *command = parent.add_subcommand(name, help);
    options = std::make_shared<IoOptions>();
    command->callback([&slot, options, run] {
        slot = Command{[options, run](Context &context) { run(context, *options); }, Needs::Bulk};
    });
    return command;
}

}  // namespace

void add_io_commands(CLI::App &app, CommandSlot &slot) {
    auto *io = app.add_subcommand("io", "The IO pin, the bus functions and the bus lines as IO");
    io->require_subcommand(1);
    std::shared_ptr<IoOptions> options;

    add(*io, slot, "get", "Read the IO port (bit 0 is the output)", run_io_get, options);
    auto *set = add(*io, slot, "set", "Set the IO output", run_io_set, options);
    set->add_option("level", options->state, "0, 1, low or high")->required();

    auto *bus = add(*io, slot, "bus", "Switch the adapter's I2C or SPI function on or off",
                    run_bus, options);
    bus->add_option("bus", options->bus, "i2c or spi")->required();
    bus->add_option("state", options->state, "on or off")->required();

    auto *lines = add(*io, slot, "lines",
                      "Read the bus lines, or drive them first (I2C: bit 0 SDA, bit 1 SCL; SPI: "
                      "bit 0 SCK, 1 MOSI, 2 MISO, 3 CS). The adapter drives them only while its "
                      "function is off",
                      run_lines, options);
    lines->add_option("bus", options->bus, "i2c or spi")->required();
    lines->add_option("levels", options->value, "Levels to drive, as a number");

    std::shared_ptr<IoOptions> power_options;
    auto *power = add(app, slot, "power", "Switch the 3 V or 5 V supply output", run_power, power_options);
    power->add_option("supply", power_options->bus, "3v or 5v")->required();
    power->add_option("state", power_options->state, "on or off")->required();
}

}  // namespace tess
