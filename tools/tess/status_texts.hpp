// What the adapters' status bytes mean, for error messages: one table per adapter.
#pragma once

#include <cstdint>
#include <string>

#include "tool_error.hpp"

namespace tess {

struct StatusText {
    std::string what;  // what went wrong
    std::string hint;  // what to try
};

// A status byte of the bulk adapter's I2C functions (tessbridge), not 0.
StatusText bulk_i2c_status(std::uint8_t status);
// A status byte of the HID adapter's I2C functions (tesslink), not 0.
StatusText hid_i2c_status(std::uint8_t status);

// The error for a failed transaction: "<context>: <what>" with the hint; exit code
// BusError, except a count over the limit, which is BadArgument.
ToolError bulk_i2c_error(std::uint8_t status, const std::string &context);
ToolError hid_i2c_error(std::uint8_t status, const std::string &context);

}  // namespace tess
