#include "bulk_simulation.hpp"

#include <cstdio>

#include "shared_library.hpp"

namespace tess {

BulkSimulation::BulkSimulation(const BulkSimulationOptions &options) {
    void *library = open_library(TESS_SIM_TOOLKIT, Symbols::Global,
                                 "--sim works from the build tree: build the project "
                                 "(scripts/build) and run the tess it made");
    resolve(library, "the simulated toolkit", "wdsim_plug", toolkit_.plug);
    resolve(library, "the simulated toolkit", "wdsim_reset", toolkit_.reset);
    resolve(library, "the simulated toolkit", "wdsim_settle", toolkit_.settle);
    resolve(library, "the simulated toolkit", "wdsim_log_count", toolkit_.log_count);
    resolve(library, "the simulated toolkit", "wdsim_log_entry", toolkit_.log_entry);
    resolve(library, "the simulated toolkit", "wdsim_log_clear", toolkit_.log_clear);
    resolve(library, "the simulated toolkit", "wdsim_inject_fault", toolkit_.inject_fault);

    bench_ = devices::install_demo_bench(*adapter_);
    if (options.hold_sda_clocks > 0) {
        adapter_->with_firmware([&](devices::BulkAdapterFirmware &) {
            bench_.eeprom_24c02->hold_sda_low(options.hold_sda_clocks);
        });
    }
    model_ = adapter_->model();
    const wdsim_adapter plugged{0x04CC, 0xF297, 0, kSerial, &model_};
    if (toolkit_.plug(&plugged) == 0) {
        throw ToolError(ExitCode::Environment, "the simulated toolkit refused the adapter");
    }
}

BulkSimulation::~BulkSimulation() { toolkit_.reset(); }

void BulkSimulation::settle() const { (void)toolkit_.settle(2000); }

void BulkSimulation::fail_bulk_out(unsigned n) const {
    if (n > 0) {
        toolkit_.inject_fault(WDSIM_OP_BULK_OUT, n - 1, WD_STATUS_TRANSFER_TIMEOUT, 0);
    }
}

std::vector<std::string> BulkSimulation::take_log() const {
    std::vector<std::string> lines;
    const std::uint32_t count = toolkit_.log_count();
    for (std::uint32_t i = 0; i < count; ++i) {
        wdsim_transfer entry{};
        if (toolkit_.log_entry(i, &entry) == 0 || entry.kind != WDSIM_BULK) {
            continue;
        }
        std::string line = entry.is_read != 0U ? "in " : "out";
        for (std::uint32_t b = 0; b < entry.moved && entry.data != nullptr; ++b) {
            char hex[4];
            (void)std::snprintf(hex, sizeof hex, " %02x", unsigned{entry.data[b]});
            line += hex;
        }
        if (entry.status != WD_STATUS_SUCCESS) {
            char status[32];
            (void)std::snprintf(status, sizeof status, " (status 0x%08x)", unsigned{entry.status});
            line += status;
        }
        lines.push_back(line);
    }
    toolkit_.log_clear();
    return lines;
}

std::vector<std::string> BulkSimulation::describe() {
    return {"24C02 EEPROM, 256 bytes, at 0x50 (bus form 0xa0)",
            "24C256 EEPROM, 32 KiB, 2-byte sub-address, at 0x54 (bus form 0xa8)",
            "register device at 10-bit address 0x2a5 (register 0 reads 0xa5)",
            "LM75-like temperature sensor at 0x48 (bus form 0x90), 25.0 C",
            "BME280 sensor at 0x76 (bus form 0xec): 25.0 C, 1023.55 hPa, 44.83 %RH",
            "SPI NOR flash, JEDEC ID 5a 40 18, 16 MiB",
            "IO pin, 3 V and 5 V supplies, I2C clock: the adapter remembers them"};
}

}  // namespace tess
