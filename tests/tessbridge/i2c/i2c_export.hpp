// The I2C exports' table suite: each test file lists its ExportCase rows and
// instantiates I2CExport with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "export_case.hpp"

namespace tbtest {

class I2CExport : public ExportCaseTest {};

// n bytes of a pattern that does not repeat within 251 bytes.
Bytes pattern(std::size_t n, uint8_t seed = 0);
// The parts one after the other.
Bytes join(std::initializer_list<Bytes> parts);
// n bytes of kUntouched.
Bytes untouched(std::size_t n);

}  // namespace tbtest
