// The I2C commands of the bulk adapter: their options and run functions, shared
// by the files that implement them and the one that registers them.
#pragma once

#include <string>
#include <vector>

#include "command.hpp"

namespace tess {

struct ScanOptions {
    std::string first = "0x08";
    std::string last = "0x77";
};

struct RegisterOptions {
    std::string address;
    std::string reg;
    bool ten_bit = false;
    bool reg16 = false;
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
};

struct ReadOptions {
    std::string address;
    std::string count;
    std::string output;
};

struct TransferOptions {
    std::vector<std::string> messages;
    bool ten_bit = false;
};

void run_i2c_scan(Context &context, const ScanOptions &options);
void run_i2c_clock(Context &context, const std::string &khz_text);
void run_i2c_get(Context &context, const GetOptions &options);
void run_i2c_set(Context &context, const SetOptions &options);
void run_i2c_dump(Context &context, const DumpOptions &options);
void run_i2c_read(Context &context, const ReadOptions &options);
void run_i2c_transfer(Context &context, const TransferOptions &options);

}  // namespace tess
