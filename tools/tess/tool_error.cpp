#include "tool_error.hpp"

#include <cstring>

namespace tess {

std::string system_reason(int error_number) {
    return error_number != 0 ? std::strerror(error_number) : "unknown reason";
}

}  // namespace tess
