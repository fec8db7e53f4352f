// Report lengths from report descriptors, as the transport reads them.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hid_report.hpp"
#include "report_descriptor.hpp"

namespace {

using tesslink::parseReportLengths;
using tesslink::ReportLengths;

struct Case {
    std::string name;
    std::vector<std::uint8_t> descriptor;
    std::size_t input;
    std::size_t output;
    bool numbered;
    bool usable;  // taken for the adapter: input of 64 to 4096 bytes, output declared
};

// Vendor page, application collection, 8-bit fields.
#define HEAD 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08
#define END 0xC0

TEST(ReportDescriptor, DeclaredLengthsIncludeTheReportIdByte) {
    // clang-format off
    const std::vector<Case> cases = {
        {"64-byte unnumbered reports", {HEAD, 0x95, 64, 0x81, 0x02, 0x95, 64, 0x91, 0x02, END}, 65,
         65, false, true},
        {"numbered reports", {HEAD, 0x85, 0x05, 0x95, 32, 0x81, 0x02, 0x95, 16, 0x91, 0x02, END},
         33, 17, true, false},
        {"512-byte reports, two-byte count",
         {HEAD, 0x96, 0x00, 0x02, 0x81, 0x02, 0x96, 0x00, 0x02, 0x91, 0x02, END}, 513, 513, false,
         true},
        {"several items add up, bits round up",
         {HEAD, 0x95, 10, 0x81, 0x02, 0x75, 0x01, 0x95, 12, 0x81, 0x02, 0x75, 0x08, 0x95, 8, 0x91,
          0x02, END},
         13, 9, false, false},
        {"longest of several report IDs",
         {HEAD, 0x85, 1, 0x95, 8, 0x81, 0x02, 0x85, 2, 0x95, 40, 0x81, 0x02, 0x95, 4, 0x91, 0x02,
          END},
         41, 5, true, false},
        {"push and pop restore the globals",
         {HEAD, 0x95, 64, 0xA4, 0x95, 2, 0x81, 0x02, 0xB4, 0x91, 0x02, END}, 3, 65, false, false},
        {"feature reports do not count",
         {HEAD, 0x95, 64, 0xB1, 0x02, 0x95, 4, 0x81, 0x02, 0x91, 0x02, END}, 5, 5, false, false},
        // Replies name bytes up to index 63: a shorter input report is not usable.
        {"63-byte input report with its ID is too short",
         {HEAD, 0x95, 62, 0x81, 0x02, 0x95, 64, 0x91, 0x02, END}, 63, 65, false, false},
        {"64-byte input report with its ID is enough",
         {HEAD, 0x95, 63, 0x81, 0x02, 0x95, 8, 0x91, 0x02, END}, 64, 9, false, true},
        {"long items are skipped",
         {HEAD, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x95, 64, 0x81, 0x02, 0x91, 0x02, END}, 65, 65, false,
         true},
        {"no output report", {HEAD, 0x95, 64, 0x81, 0x02, END}, 65, 0, false, false},
        {"4095-byte payload fits the bound",
         {HEAD, 0x96, 0xFF, 0x0F, 0x81, 0x02, 0x91, 0x02, END}, 4096, 4096, false, true},
        {"4096-byte payload is beyond it",
         {HEAD, 0x96, 0x00, 0x10, 0x81, 0x02, 0x91, 0x02, END}, 4097, 4097, false, false},
        {"huge size and count do not overflow",
         {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0x91, 0x02}, 4098,
         4098, false, false},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto lengths = parseReportLengths(c.descriptor);
        ASSERT_TRUE(lengths.has_value());
        EXPECT_EQ(lengths->input, c.input);
        EXPECT_EQ(lengths->output, c.output);
        EXPECT_EQ(lengths->numbered, c.numbered);
        EXPECT_EQ(tesslink::isUsable(*lengths), c.usable);
    }
}

TEST(ReportDescriptor, ItemsRunningPastTheEndAreRejected) {
    const std::vector<std::vector<std::uint8_t>> truncated = {
        {HEAD, 0x95},              // one data byte missing
        {HEAD, 0x96, 0x40},        // two-byte item cut short
        {HEAD, 0xFE, 0x05, 0x10},  // long item longer than the rest
        {0xFE},
    };
    for (const auto &d : truncated) {
        EXPECT_FALSE(parseReportLengths(d).has_value());
    }
}

// Descriptors come from the device: arbitrary bytes must never be read past
// their end nor give a usable length beyond the bound.
TEST(ReportDescriptor, ArbitraryBytesAreParsedSafely) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 48);
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::uint8_t> descriptor(size(random));
        for (auto &b : descriptor) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        const auto lengths = parseReportLengths(descriptor);
        if (lengths && tesslink::isUsable(*lengths)) {
            ASSERT_LE(lengths->input, tesslink::kMaxReportLength);
            ASSERT_LE(lengths->output, tesslink::kMaxReportLength);
        }
    }
}

}  // namespace
