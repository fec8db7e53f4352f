#include "report_descriptor.hpp"

#include <algorithm>
#include <map>
#include <vector>

#include "hid_report.hpp"

namespace tesslink {
namespace {

// Item tags of the HID short item format (HID specification, 6.2.2).
enum : std::uint8_t {
    kTypeMain = 0,
    kTypeGlobal = 1,
    kMainInput = 0x8,
    kMainOutput = 0x9,
    kGlobalReportSize = 0x7,
    kGlobalReportId = 0x8,
    kGlobalReportCount = 0x9,
    kGlobalPush = 0xA,
    kGlobalPop = 0xB,
    kLongItemPrefix = 0xFE,
};

// Anything at or above this many bits is too long to be usable; saturating
// here keeps the sums from overflowing on hostile descriptors.
constexpr std::uint64_t kBitCap = (kMaxReportLength + 1) * 8;

struct GlobalState {
    std::uint64_t reportSize = 0;
    std::uint64_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// Both terms stay far below 2^64: sums are capped at kBitCap, and an item's
// size and count are each capped at kBitCap before they are multiplied.
std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return std::min(a + b, kBitCap);
}

std::size_t longestReportBytes(const std::map<std::uint8_t, std::uint64_t> &bitsById) {
    std::uint64_t longest = 0;
    for (const auto &[id, bits] : bitsById) {
        longest = std::max(longest, bits);
    }
    if (longest == 0) {
        return 0;
    }
    return static_cast<std::size_t>((longest + 7) / 8) + 1;
}

}  // namespace

std::optional<ReportLengths> parseReportLengths(std::span<const std::uint8_t> descriptor) {
    GlobalState global;
    std::vector<GlobalState> stack;
    std::map<std::uint8_t, std::uint64_t> inputBits;
    std::map<std::uint8_t, std::uint64_t> outputBits;
    bool numbered = false;

    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            if (pos + 1 >= descriptor.size()) {
                return std::nullopt;
            }
            pos += 3 + std::size_t{descriptor[pos + 1]};
            if (pos > descriptor.size()) {
                return std::nullopt;
            }
            continue;
        }
        static constexpr std::size_t kDataSizes[] = {0, 1, 2, 4};
        const std::size_t dataSize = kDataSizes[prefix & 0x3U];
        if (pos + 1 + dataSize > descriptor.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i) {
            value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + dataSize;

        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3U);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);
        if (type == kTypeGlobal) {
            switch (tag) {
                case kGlobalReportSize:
                    global.reportSize = value;
                    break;
                case kGlobalReportCount:
                    global.reportCount = value;
                    break;
                case kGlobalReportId:
                    global.reportId = static_cast<std::uint8_t>(value);
                    numbered = true;
                    break;
                case kGlobalPush:
                    stack.push_back(global);
                    break;
                case kGlobalPop:
                    if (!stack.empty()) {
                        global = stack.back();
                        stack.pop_back();
                    }
                    break;
                default:
                    break;
            }
        } else if (type == kTypeMain && (tag == kMainInput || tag == kMainOutput)) {
            auto &bits = tag == kMainInput ? inputBits : outputBits;
            const std::uint64_t itemBits =
                std::min(global.reportSize, kBitCap) * std::min(global.reportCount, kBitCap);
            bits[global.reportId] = saturatingAdd(bits[global.reportId], itemBits);
        }
    }
    return ReportLengths{longestReportBytes(inputBits), longestReportBytes(outputBits), numbered};
}

bool isUsable(const ReportLengths &lengths) {
    // Replies name bytes up to index 63, so a shorter input report could not
    // carry what the commands read from it.
    return lengths.input >= kMinReportBuffer && lengths.output > 1 &&
           lengths.input <= kMaxReportLength && lengths.output <= kMaxReportLength;
}

}  // namespace tesslink
