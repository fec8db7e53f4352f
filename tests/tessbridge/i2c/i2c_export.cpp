#include "i2c_export.hpp"

namespace tbtest {

Bytes pattern(std::size_t n, uint8_t seed) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 131 + seed) % 251);
    }
    return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes untouched(std::size_t n) {
    return Bytes(n, kUntouched);
}

TEST_P(I2CExport, PutsItsPacketsOnTheWireAndReportsTheOutcome) { check(); }

}  // namespace tbtest
