#include "hex_tables.hpp"

#include <cstdio>
#include <cstring>

namespace tess {

namespace {

std::string header(int label_width) {
    std::string line(static_cast<std::size_t>(label_width) + 1, ' ');
    for (unsigned column = 0; column < 16; ++column) {
        char cell[4];
        (void)std::snprintf(cell, sizeof cell, "  %x", column);
        line += cell;
    }
    return line;
}

}  // namespace

std::string scan_grid(const ScanResults &results) {
    std::string out = header(2) + "\n";
    for (unsigned row = 0; row < 8; ++row) {
        char label[8];
        (void)std::snprintf(label, sizeof label, "%02x:", row * 16);
        out += label;
        for (unsigned column = 0; column < 16; ++column) {
            const unsigned address = row * 16 + column;
            switch (results[address]) {
                case ProbeResult::NotProbed:
                    out += "   ";
                    break;
                case ProbeResult::Absent:
                    out += " --";
                    break;
                case ProbeResult::Failed:
                    out += " !!";
                    break;
                case ProbeResult::Present: {
                    char cell[8];
                    (void)std::snprintf(cell, sizeof cell, " %02x", address);
                    out += cell;
                    break;
                }
            }
        }
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        out += '\n';
    }
    return out;
}

std::string dump_table(std::size_t first, const std::vector<std::uint8_t> &bytes) {
    if (bytes.empty()) {
        return {};
    }
    const std::size_t end = first + bytes.size();
    // Two hex digits for the row labels, two more for each further byte the
    // last register needs: 0xff0, 0xfff0, 0xffff0.
    int label_width = 2;
    while (((end - 1) >> (4U * static_cast<unsigned>(label_width))) != 0) {
        label_width += 2;
    }
    std::string out = header(label_width) + "    0123456789abcdef\n";
    for (std::size_t row = first - first % 16; row < end; row += 16) {
        char digits[24];
        (void)std::snprintf(digits, sizeof digits, "%zx", row);
        const std::size_t width = static_cast<std::size_t>(label_width);
        out += std::string(width > std::strlen(digits) ? width - std::strlen(digits) : 0, '0') +
               digits + ":";
        std::string ascii;
        for (std::size_t column = 0; column < 16; ++column) {
            const std::size_t reg = row + column;
            if (reg < first || reg >= end) {
                out += "   ";
                ascii += ' ';
                continue;
            }
            const std::uint8_t byte = bytes[reg - first];
            char cell[8];
            (void)std::snprintf(cell, sizeof cell, " %02x", unsigned{byte});
            out += cell;
            ascii += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
        }
        while (!ascii.empty() && ascii.back() == ' ') {
            ascii.pop_back();
        }
        out += "    " + ascii;
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        out += '\n';
    }
    return out;
}

}  // namespace tess
