#include "export_case.hpp"

namespace tbtest {

void I2CExport::SetUp() {
    TessbridgeTest::SetUp();
    adapter = plug("1234");
    load();
    forget();
}

std::string case_name(const ::testing::TestParamInfo<ExportCase> &info) {
    return info.param.name;
}

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

TEST_P(I2CExport, PutsItsPacketsOnTheWireAndReportsTheOutcome) {
    const ExportCase &c = GetParam();
    for (const Fault &fault : c.faults) {
        wdsim_inject_fault(fault.op, fault.skip, fault.status, fault.moved);
    }
    for (const Bytes &bytes : c.replies) {
        reply(adapter, bytes);
    }
    Bytes buffer = untouched(c.buffer_after.size());

    const int result = c.call(tb, buffer.data());

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(sent_packets(), c.sent);
    EXPECT_EQ(read_lengths(), c.reads);
    EXPECT_EQ(buffer, c.buffer_after);
    EXPECT_EQ(messages, c.messages);
}

}  // namespace tbtest
