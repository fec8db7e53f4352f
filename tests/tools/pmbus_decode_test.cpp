// PMBus decoding against the table of vectors worked out by hand from the data
// formats (tests/data/pmbus_vectors.txt), which the Python PMBus layer's tests
// read too: both decoders agree on every value.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "pmbus_decode.hpp"

namespace tess::pmbus {
namespace {

struct Vector {
    int line = 0;
    std::string kind;
    std::vector<std::string> fields;
};

// Fields are separated by blanks; a field that starts with '"' runs to the
// next '"' (the quotes are dropped); a '#' that starts a field starts a comment.
std::vector<std::string> fields_of(const std::string &line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
        } else if (line[i] == '#') {
            break;
        } else if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            fields.push_back(line.substr(i + 1, end - i - 1));
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            const std::size_t end = line.find_first_of(" \t", i);
            fields.push_back(line.substr(i, end - i));
            i = end == std::string::npos ? line.size() : end;
        }
    }
    return fields;
}

std::vector<Vector> load_vectors() {
    std::ifstream file(TESS_PMBUS_VECTORS);
    std::vector<Vector> vectors;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        auto fields = fields_of(line);
        if (fields.empty()) {
            continue;
        }
        Vector vector{number, fields.front(), {fields.begin() + 1, fields.end()}};
        vectors.push_back(std::move(vector));
    }
    return vectors;
}

std::uint16_t raw(const std::string &text) {
    return static_cast<std::uint16_t>(std::stoul(text, nullptr, 0));
}

std::vector<std::uint8_t> bytes_of(const std::string &text) {
    std::vector<std::uint8_t> bytes;
    if (text == "-") {
        return bytes;
    }
    std::istringstream in(text);
    std::string byte;
    while (std::getline(in, byte, ':')) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (const std::string &name : names) {
        text += (text.empty() ? "" : ",") + name;
    }
    return text.empty() ? "-" : text;
}

TEST(Pmbus, DecodesEveryVectorOfTheSharedTable) {
    const std::vector<Vector> vectors = load_vectors();
    ASSERT_GT(vectors.size(), 30U) << "cannot read " << TESS_PMBUS_VECTORS;
    for (const Vector &v : vectors) {
        SCOPED_TRACE("pmbus_vectors.txt line " + std::to_string(v.line));
        const auto &f = v.fields;
        if (v.kind == "linear11") {
            ASSERT_EQ(f.size(), 2U);
            EXPECT_DOUBLE_EQ(linear11(raw(f[0])), std::stod(f[1]));
        } else if (v.kind == "linear16") {
            ASSERT_EQ(f.size(), 3U);
            EXPECT_DOUBLE_EQ(linear16(raw(f[0]), std::stoi(f[1])), std::stod(f[2]));
        } else if (v.kind == "vout_mode") {
            ASSERT_EQ(f.size(), 2U);
            const std::optional<int> expected =
                f[1] == "none" ? std::nullopt : std::optional<int>(std::stoi(f[1]));
            EXPECT_EQ(vout_mode_exponent(static_cast<std::uint8_t>(raw(f[0]))), expected);
        } else if (v.kind == "status_word") {
            ASSERT_EQ(f.size(), 2U);
            EXPECT_EQ(joined(status_word_bits(raw(f[0]))), f[1]);
        } else if (v.kind == "block_text") {
            ASSERT_EQ(f.size(), 2U);
            EXPECT_EQ(block_text(bytes_of(f[0])), f[1]);
        } else if (v.kind == "direct") {
            // The tool does not decode DIRECT; the Python layer does.
        } else {
            ADD_FAILURE() << "unknown kind " << v.kind;
        }
    }
}

TEST(Pmbus, WordsComeLowByteFirst) { EXPECT_EQ(word_of(0x15, 0xF0), 0xF015); }

}  // namespace
}  // namespace tess::pmbus
