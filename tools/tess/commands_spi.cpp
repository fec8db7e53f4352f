// tess spi: mode, clock, full-duplex transfer, write and write-then-read.
#include <algorithm>

#include "numbers.hpp"
#include "subcommands.hpp"

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

// The adapter answers a read with 0xff bytes when its SPI function is off, and
// does not say so; MISO that nobody drives reads the same.
void warn_when_only_ones(Context &context, const std::vector<std::uint8_t> &in) {
    if (std::ranges::all_of(in, [](std::uint8_t byte) { return byte == 0xFF; })) {
        context.out.warning("every byte read is 0xff: the SPI function may be off ('tess io bus "
                            "spi on'), or no device drives MISO");
    }
}

void show_exchange(Context &context, const std::vector<std::uint8_t> &out,
                   const std::vector<std::uint8_t> &in) {
    context.out.line(hex_bytes(in));
    context.out.result(
        Json::object({{"sent", Json::array_of(out)}, {"received", Json::array_of(in)}}));
    warn_when_only_ones(context, in);
}

Runner prepare_mode(const SpiOptions &options) {
    const auto mode = static_cast<std::uint32_t>(parse_number(options.mode, "SPI mode", 0, 3));
    const bool option_bit = options.option_bit;
    return [mode, option_bit](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::uint32_t config = mode | (option_bit ? 0x10U : 0U);
        check_bridge_sent(context, tb.SPI_Configure(config) == 0, "setting the SPI mode");
        context.out.line("SPI mode " + std::to_string(mode) + (option_bit ? " (option bit set)" : ""));
        context.out.result(
            Json::object({{"mode", static_cast<int>(mode)}, {"option_bit", option_bit}}));
    };
}

Runner prepare_clock(const SpiOptions &options) {
    const auto khz = static_cast<std::uint32_t>(parse_number(options.khz, "clock in kHz", 1, 100000));
    return [khz](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::int32_t selected = tb.SPI_SetFrequency(khz);
        check_bridge_sent(context, selected != 255, "setting the SPI clock");
        context.out.line("SPI clock " + std::to_string(selected) + " kHz (asked for " +
                         std::to_string(khz) + " kHz)");
        context.out.result(
            Json::object({{"requested_khz", static_cast<std::int64_t>(khz)}, {"khz", selected}}));
    };
}

Runner prepare_transfer(const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    return [out](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        // The library returns the first byte read back, or 255 when the reply did
        // not come in full (then it leaves the buffer alone): a first byte that is
        // not 0xFF after a result of 255 tells the failure apart from a byte that
        // reads 0xFF.
        std::vector<std::uint8_t> in(out.size(), 0x00);
        const std::uint8_t first =
            tb.SPI_Generic(static_cast<std::uint16_t>(out.size()), out.data(), in.data());
        check_bridge_sent(context, !(first == 255 && in[0] != 0xFF), "SPI transfer");
        show_exchange(context, out, in);
    };
}

Runner prepare_write(const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    return [out](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        const std::uint8_t result = tb.SPI_Write(static_cast<std::uint16_t>(out.size()), out.data());
        check_bridge_sent(context, result == 1, "SPI write");
        context.out.line("wrote " + std::to_string(out.size()) + " byte" +
                         (out.size() == 1 ? "" : "s"));
        context.out.result(Json::object({{"written", static_cast<int>(out.size())}}));
    };
}

Runner prepare_write_read(const SpiOptions &options) {
    const std::vector<std::uint8_t> out = data_of(options);
    const auto count = static_cast<std::size_t>(
        parse_number(options.read_count, "read count", 1, kMaxSpiBytes));
    return [out, count](Context &context) {
        TessbridgeLibrary &tb = context.session.bridge();
        std::vector<std::uint8_t> in(count, 0xFF);
        const std::uint8_t result =
            tb.SPI_WriteRead(static_cast<std::uint16_t>(out.size()),
                             static_cast<std::uint16_t>(count), out.data(), in.data());
        check_bridge_sent(context, result == 0, "SPI write-read");
        show_exchange(context, out, in);
    };
}

}  // namespace

void add_spi_commands(CLI::App &app, CommandSlot &slot) {
    auto *spi = app.add_subcommand("spi", "SPI on the bulk adapter (one chip select per command)");
    spi->require_subcommand(1);
    describe(spi, Needs::Bulk, {"tess spi write-read 0x9f -r 3"});

    std::shared_ptr<SpiOptions> mode_options;
    auto *mode = add_command(*spi, slot, "mode", "Set the SPI mode (0-3)", Needs::Bulk,
                             prepare_mode, mode_options);
    mode->add_option("mode", mode_options->mode, "Mode number: clock polarity bit 1, phase bit 0")
        ->type_name("MODE")
        ->required();
    mode->add_flag("--option-bit", mode_options->option_bit, "Set the adapter's option bit too");
    describe(mode, Needs::Bulk, {"tess spi mode 0", "tess spi mode 3"});

    std::shared_ptr<SpiOptions> clock_options;
    auto *clock = add_command(*spi, slot, "clock",
                              "Set the SPI clock: 4000, 1000, 250 or 125 kHz, the highest not "
                              "above the request",
                              Needs::Bulk, prepare_clock, clock_options);
    clock->add_option("khz", clock_options->khz, "Clock in kHz")->type_name("KHZ")->required();
    describe(clock, Needs::Bulk, {"tess spi clock 1000"});

    std::shared_ptr<SpiOptions> transfer_options;
    auto *transfer = add_command(*spi, slot, "transfer",
                                 "Full-duplex transfer: send bytes, show the bytes read at the "
                                 "same time",
                                 Needs::Bulk, prepare_transfer, transfer_options);
    add_bytes(transfer, transfer_options->values, transfer_options->text);
    describe(transfer, Needs::Bulk, {"tess spi transfer 0x9f 0 0 0"});

    std::shared_ptr<SpiOptions> write_options;
    auto *write = add_command(*spi, slot, "write",
                              "Send bytes (the adapter does not say whether its SPI function was "
                              "on)",
                              Needs::Bulk, prepare_write, write_options);
    add_bytes(write, write_options->values, write_options->text);
    describe(write, Needs::Bulk, {"tess spi write 0x06", "tess spi write --text hello"});

    std::shared_ptr<SpiOptions> write_read_options;
    auto *write_read = add_command(*spi, slot, "write-read",
                                   "Send bytes, then read: 'spi write-read 0x9f -r 3' reads a "
                                   "flash's JEDEC ID",
                                   Needs::Bulk, prepare_write_read, write_read_options);
    add_bytes(write_read, write_read_options->values, write_read_options->text);
    write_read->add_option("-r,--read", write_read_options->read_count,
                           "Bytes to read after the write (1-500)")
        ->type_name("N")
        ->required();
    describe(write_read, Needs::Bulk, {"tess spi write-read 0x9f -r 3", "tess spi write-read 0x05 -r 1"});
}

}  // namespace tess
