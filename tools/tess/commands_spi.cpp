// tess spi: mode, clock, full-duplex transfer, write and write-then-read.
#include <CLI/CLI.hpp>

#include <memory>

#include "command.hpp"
#include "numbers.hpp"

namespace tess {

namespace {

constexpr std::int64_t kMaxSpiBytes = 500;

struct SpiOptions {
    std::vector<std::string> values;
    std::string text;
    std::string read_count;
    std::string mode;
    bool option_bit = false;
    std::string khz;
};

std::vector<std::uint8_t> data_of(const SpiOptions &options) {
    std::vector<std::uint8_t> bytes = parse_bytes(options.values);
    bytes.insert(bytes.end(), options.text.begin(), options.text.end());
    if (bytes.empty()) {
        throw bad_argument("nothing to send", "give byte values or --text");
    }
    if (bytes.size() > static_cast<std::size_t>(kMaxSpiBytes)) {
        throw bad_argument("one SPI transfer carries at most 500 bytes", "send less");
    }
    return bytes;
}

void run_mode(Context &context, const SpiOptions &options) {
    const auto mode = static_cast<std::uint32_t>(parse_number(options.mode, "SPI mode", 0, 3));
    TessbridgeLibrary &tb = context.session.bridge();
    const std::uint32_t config = mode | (options.option_bit ? 0x10U : 0U);
    check_bridge_sent(context, tb.SPI_Configure(config) == 0, "setting the SPI mode");
    context.out.line("SPI mode " + std::to_string(mode) + (options.option_bit ? " (option bit set)" : ""));
    context.out.result(Json::object({{"mode", static_cast<int>(mode)}, {"option_bit", options.option_bit}}));
}

void run_clock(Context &context, const SpiOptions &options) {
    const auto khz = static_cast<std::uint32_t>(parse_number(options.khz, "clock in kHz", 1, 100000));
    TessbridgeLibrary &tb = context.session.bridge();
    const std::int32_t selected = tb.SPI_SetFrequency(khz);
    check_bridge_sent(context, selected != 255, "setting the SPI clock");
    context.out.line("SPI clock " + std::to_string(selected) + " kHz (asked for " +
                     std::to_string(khz) + " kHz)");
    context.out.result(Json::object({{"requested_khz", static_cast<std::int64_t>(khz)}, {"khz", selected}}));
}

void run_transfer(Context &context, const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    TessbridgeLibrary &tb = context.session.bridge();
    // The library returns the first byte read back, or 255 when the reply did not
    // come in full (then it leaves the buffer alone): a first byte that is not 0xFF
    // after a result of 255 tells the failure apart from a byte that reads 0xFF.
    std::vector<std::uint8_t> in(out.size(), 0x00);
    const std::uint8_t first = tb.SPI_Generic(static_cast<std::uint16_t>(out.size()), out.data(), in.data());
    check_bridge_sent(context, !(first == 255 && in[0] != 0xFF), "SPI transfer");
    context.out.line(hex_bytes(in));
    context.out.result(Json::object({{"sent", Json::array_of(out)}, {"received", Json::array_of(in)}}));
}

void run_write(Context &context, const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    TessbridgeLibrary &tb = context.session.bridge();
    const std::uint8_t result = tb.SPI_Write(static_cast<std::uint16_t>(out.size()), out.data());
    check_bridge_sent(context, result == 1, "SPI write");
    context.out.line("wrote " + std::to_string(out.size()) + " byte" + (out.size() == 1 ? "" : "s"));
    context.out.result(Json::object({{"written", static_cast<int>(out.size())}}));
}

void run_write_read(Context &context, const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    const auto count = static_cast<std::size_t>(parse_number(options.read_count, "read count", 1, kMaxSpiBytes));
    TessbridgeLibrary &tb = context.session.bridge();
    std::vector<std::uint8_t> in(count, 0xFF);
    const std::uint8_t result = tb.SPI_WriteRead(static_cast<std::uint16_t>(out.size()),
                                                 static_cast<std::uint16_t>(count), out.data(), in.data());
    check_bridge_sent(context, result == 0, "SPI write-read");
    context.out.line(hex_bytes(in));
    context.out.result(Json::object({{"sent", Json::array_of(out)}, {"received", Json::array_of(in)}}));
}

CLI::App *add(CLI::App &spi, CommandSlot &slot, const std::string &name, const std::string &help,
              void (*run)(Context &, const SpiOptions &), std::shared_ptr<SpiOptions> &options) {
    auto *command = spi.add_subcommand(name, help);
    options = std::make_shared<SpiOptions>();
    command->callback([&slot, options, run] {
        slot = Command{[options, run](Context &context) { run(context, *options); }, Needs::Bulk};
    });
    return command;
}

void add_data(CLI::App *command, SpiOptions &options) {
    command->add_option("values", options.values, "Bytes to send");
    command->add_option("--text", options.text, "Send the characters of this text (after the values)");
}

}  // namespace

void add_spi_commands(CLI::App &app, CommandSlot &slot) {
    auto *spi = app.add_subcommand("spi", "SPI on the bulk adapter (one chip select per command)");
    spi->require_subcommand(1);
    std::shared_ptr<SpiOptions> options;

    auto *mode = add(*spi, slot, "mode", "Set the SPI mode (0-3)", run_mode, options);
    mode->add_option("mode", options->mode, "Mode number: clock polarity bit 1, phase bit 0")->required();
    mode->add_flag("--option-bit", options->option_bit, "Set the adapter's option bit too");

    auto *clock = add(*spi, slot, "clock", "Set the SPI clock: 4000, 1000, 250 or 125 kHz, the "
                                            "highest not above the request", run_clock, options);
    clock->add_option("khz", options->khz, "Clock in kHz")->required();

    auto *transfer = add(*spi, slot, "transfer", "Full-duplex transfer: send bytes, show the bytes "
                                                  "read at the same time", run_transfer, options);
    add_data(transfer, *options);

    auto *write = add(*spi, slot, "write", "Send bytes", run_write, options);
    add_data(write, *options);

    auto *write_read = add(*spi, slot, "write-read", "Send bytes, then read: 'spi write-read 0x9f -r 3' "
                                                      "reads a flash's JEDEC ID", run_write_read, options);
    add_data(write_read, *options);
    write_read->add_option("-r,--read", options->read_count, "Bytes to read after the write (1-500)")
        ->required();
}

}  // namespace tess
