// The I2C commands of the bulk adapter: their options and the functions that
// check them and return what the command does, shared by the files that
// implement them and the one that registers them.
#pragma once

#include <string>
#include <vector>

#include "command.hpp"

namespace tess {

struct ScanOptions {
    std::string first = "0x08";
    std::string last = "0x77";
    bool force = false;
};

struct RegisterOptions {
    std::string address;
    std::string reg;
    bool ten_bit = false;
    bool reg16 = false;
    bool force = false;
};

struct GetOptions : RegisterOptions {
    std::string count = "1";
};

struct SetOptions : RegisterOptions {
    std::vector<std::string> values;
    std::string text;
    std::string page_size;
};

struct DumpOptions {
    std::string address;
    std::string first = "0";
    std::string length;
    bool ten_bit = false;
    bool reg16 = false;
    bool force = false;
};

struct ReadOptions {
    std::string address;
    std::string count;
    std::string output;
    bool force = false;
};

struct TransferOptions {
    std::vector<std::string> messages;
    bool ten_bit = false;
    bool force = false;
};

struct ClockOptions {
    std::string khz;
};

Runner prepare_i2c_scan(const ScanOptions &options);
Runner prepare_i2c_clock(const ClockOptions &options);
Runner prepare_i2c_get(const GetOptions &options);
Runner prepare_i2c_set(const SetOptions &options);
Runner prepare_i2c_dump(const DumpOptions &options);
Runner prepare_i2c_read(const ReadOptions &options);
Runner prepare_i2c_transfer(const TransferOptions &options);

}  // namespace tess
