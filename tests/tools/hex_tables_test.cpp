#include <gtest/gtest.h>

#include "hex_tables.hpp"

namespace tess {
namespace {

TEST(ScanGrid, DrawsPresentAbsentFailedAndUnprobedAddresses) {
    ScanResults results{};
    for (unsigned address = 0x08; address <= 0x77; ++address) {
        results[address] = ProbeResult::Absent;
    }
    results[0x08] = ProbeResult::Present;
    results[0x50] = ProbeResult::Present;
    results[0x77] = ProbeResult::Failed;
    EXPECT_EQ(scan_grid(results),
              "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
              "00:                         08 -- -- -- -- -- -- --\n"
              "10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "20: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "40: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "50: 50 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
              "70: -- -- -- -- -- -- -- !!\n");
}

TEST(DumpTable, UnalignedStartLeavesBlankCellsAndKeepsTheAsciiColumnAligned) {
    EXPECT_EQ(dump_table(0x0E, {'H', 'i', 0x00, 0x7F, 'A'}),
              "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n"
              "00:                                           48 69                  Hi\n"
              "10: 00 7f 41" + std::string(43, ' ') + "..A\n");
}

TEST(DumpTable, WideRegistersGetFourDigitLabels) {
    const std::vector<std::uint8_t> bytes(2, 0xFF);
    EXPECT_EQ(dump_table(0x7FFF, bytes),
              "       0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n"
              "7ff0:                                              ff                   .\n"
              "8000: ff                                                 .\n");
    EXPECT_EQ(dump_table(0, {}), "");
}

// A read of more than 64 KiB goes on counting: the rows after 0xfff0 are
// 0x10000 on, not 0x0000 again.
TEST(DumpTable, BeyondSixtyFourKibTheLabelsKeepCounting) {
    const std::vector<std::uint8_t> bytes(0x10010, 0x00);
    const std::string table = dump_table(0, bytes);
    EXPECT_NE(table.find("\n000000: 00"), std::string::npos);
    EXPECT_EQ(table.find("\n000000: "), table.rfind("\n000000: "));  // row 0 once only
    EXPECT_NE(table.find("\n00fff0: 00"), std::string::npos);
    EXPECT_NE(table.find("\n010000: 00"), std::string::npos);
}

}  // namespace
}  // namespace tess
