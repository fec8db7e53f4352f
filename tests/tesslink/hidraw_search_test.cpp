// The HID device names the search reads from sysfs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hidraw_search.hpp"

namespace {

struct NameCase {
    std::string name;
    bool valid;
    std::uint32_t vendor;
    std::uint32_t product;
};

TEST(HidDeviceName, VendorAndProductOfTheKernelsNamesOnly) {
    const std::vector<NameCase> cases = {
        {"0003:04D8:FF5C.0001", true, 0x04D8, 0xFF5C},
        {"0003:04d8:ff5c.0001", true, 0x04D8, 0xFF5C},
        {"0005:046D:B01A.1A2B3", true, 0x046D, 0xB01A},  // numbers past 0xFFFF get more digits
        {"0018:0000:0000.0002", true, 0, 0},
        {"0003:04D8:FF5C", false, 0, 0},  // no device number
        {"0003:04D8:FF5C.", false, 0, 0},
        {"0003:04D8.FF5C.0001", false, 0, 0},
        {"0003:04D8:FF5C.0001 ", false, 0, 0},
        {"0003:04D8:FF5C.0001/", false, 0, 0},
        {"0003:-4D8:FF5C.0001", false, 0, 0},
        {"0003:104D8FF5C00:FF5C.0001", false, 0, 0},  // does not fit 32 bits
        {"hidraw0", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("\"" + c.name + "\"");
        const auto id = tesslink::parseHidDeviceName(c.name);
        ASSERT_EQ(id.has_value(), c.valid);
        if (id) {
            EXPECT_EQ(id->vendor, c.vendor);
            EXPECT_EQ(id->product, c.product);
        }
    }
}

}  // namespace
