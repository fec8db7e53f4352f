// Fuzzer: the Tesslink MPU exports against a hostile HID adapter. The input
// starts with the adapter's report descriptor (one length byte, then that many
// bytes); the rest chooses export calls and their arguments and everything
// the adapter does (see hostile_hid_transport.hpp). Findings besides crashes
// and sanitizer reports, all promised by tesslink.h:
//   - a length or count out of range gives 129 and sends nothing;
//   - MPUI2CRead writes its buffer only when it returns 0; the block reads
//     write nothing past the chunks that succeeded;
//   - input buffers are never written, no byte before a buffer changes.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "command_reports.hpp"
#include "finding.hpp"
#include "guarded_buffer.hpp"
#include "hostile_hid_transport.hpp"
#include "tesslink.h"

namespace {

using tbfuzz::fail;
using tbtest::GuardedBuffer;

constexpr std::uint8_t kFill = 0xEE;
constexpr std::size_t kMaxCallsPerInput = 16;
constexpr std::size_t kCapacity = 512;

struct Run {
    FuzzedDataProvider &in;
    tbfuzz::HidScript &script;
    GuardedBuffer &out;
    GuardedBuffer &data;
    std::vector<std::uint8_t> dataCopy;

    // A length around a limit, or any 32-bit value (only the low 16 bits count).
    unsigned length(unsigned limit) {
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
            case 0: return 0;
            case 1: return 1;
            case 2: return limit;
            case 3: return limit + 1;
            case 4: return 65536U + in.ConsumeIntegralInRange<unsigned>(0, limit + 1);
            case 5: return in.ConsumeIntegralInRange<unsigned>(0, limit);
            default: return in.ConsumeIntegral<unsigned>();
        }
    }
};

std::size_t effective(unsigned length) { return length & 0xFFFFU; }

void expectRefused(unsigned result, std::size_t sentBefore, const Run &r, const char *what) {
    if (result != tesslink::kStatusBadLength) fail(what);
    if (r.script.sent.size() != sentBefore) fail("a refused call sent a report");
}

using Op = std::function<void(Run &)>;

const std::vector<Op> &operations() {
    static const std::vector<Op> ops = {
        [](Run &r) {
            const unsigned length = r.length(60);
            const std::size_t n = effective(length);
            std::uint8_t *buffer = r.out.place(std::min(n, kCapacity), kFill);
            const std::size_t before = r.script.sent.size();
            const unsigned result = MPUI2CRead(r.in.ConsumeIntegral<std::uint8_t>(), length,
                                               buffer, r.in.ConsumeIntegral<std::uint8_t>());
            if (n == 0 || n > 60) expectRefused(result, before, r, "MPUI2CRead length not refused");
            if (result != 0 && !r.out.untouched(kFill)) fail("MPUI2CRead failed but wrote data");
        },
        [](Run &r) {
            const unsigned length = r.length(60);
            const std::size_t n = effective(length);
            r.dataCopy = r.in.ConsumeBytes<std::uint8_t>(std::min(n, kCapacity));
            r.dataCopy.resize(std::min(n, kCapacity), 0x5A);
            const std::uint8_t *d = r.data.place(r.dataCopy);
            const std::size_t before = r.script.sent.size();
            const unsigned result = MPUI2CWrite(r.in.ConsumeIntegral<std::uint8_t>(), length, d,
                                                r.in.ConsumeIntegral<std::uint8_t>());
            if (n == 0 || n > 60) expectRefused(result, before, r, "MPUI2CWrite length not refused");
        },
        [](Run &r) {
            const unsigned count = r.length(256);
            const std::size_t n = effective(count);
            std::uint8_t *buffer = r.out.place(std::min(n, kCapacity), kFill);
            const std::size_t before = r.script.sent.size();
            const unsigned succeeded = r.script.successReplies;
            const unsigned result = MPUI2CReadArray(r.in.ConsumeIntegral<std::uint8_t>(),
                                                    r.in.ConsumeIntegral<std::uint8_t>(), count,
                                                    buffer);
            if (n == 0 || n > 256) {
                expectRefused(result, before, r, "MPUI2CReadArray count not refused");
            } else if (result != 0) {
                // Only chunks answered with success may have reached the buffer.
                const std::size_t kept =
                    (r.script.successReplies - succeeded) * tesslink::kBlockChunk;
                if (!std::all_of(buffer + std::min(kept, n), buffer + n,
                                 [](std::uint8_t b) { return b == kFill; }))
                    fail("MPUI2CReadArray wrote past the chunks that succeeded");
            }
        },
        [](Run &r) {
            const unsigned count = r.length(256);
            const std::size_t n = effective(count);
            r.dataCopy = r.in.ConsumeBytes<std::uint8_t>(std::min(n, kCapacity));
            r.dataCopy.resize(std::min(n, kCapacity), 0x5A);
            const std::uint8_t *d = r.data.place(r.dataCopy);
            const std::size_t before = r.script.sent.size();
            const unsigned result = MPUI2CWriteArray(r.in.ConsumeIntegral<std::uint8_t>(),
                                                     r.in.ConsumeIntegral<std::uint8_t>(), count,
                                                     d);
            if (n == 0 || n > 256) expectRefused(result, before, r, "MPUI2CWriteArray not refused");
        },
        [](Run &r) { MPUSetI2CFrequency(r.in.ConsumeIntegral<unsigned>()); },
        [](Run &) { MPUGetI2CFrequency(); },
        [](Run &) { MPUSBGetDeviceVersion(); },
        [](Run &) {
            const unsigned result = MPUSBFlashLED();
            if (result != 0 && result != 255) fail("MPUSBFlashLED returned neither 0 nor 255");
        },
        [](Run &) {
            const unsigned result = MPUReset();
            if (result != 0 && result != 255) fail("MPUReset returned neither 0 nor 255");
        },
        [](Run &) {
            if (MPUSBGetDLLVersion() != TESSLINK_DLL_VERSION) fail("wrong library version");
        },
    };
    return ops;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    static GuardedBuffer out(kCapacity);
    static GuardedBuffer data(kCapacity);
    if (size == 0) {
        return 0;
    }
    const std::size_t descriptorLength = std::min<std::size_t>(bytes[0], size - 1);
    tbfuzz::HidScript script;
    script.descriptor.assign(bytes + 1, bytes + 1 + descriptorLength);
    FuzzedDataProvider in(bytes + 1 + descriptorLength, size - 1 - descriptorLength);
    script.answers = &in;
    tbfuzz::setHidScript(&script);

    Run run{in, script, out, data, {}};
    data.place(0, 0);
    const auto &ops = operations();
    for (std::size_t call = 0; call < kMaxCallsPerInput && in.remaining_bytes() > 0; ++call) {
        ops[in.ConsumeIntegralInRange<std::size_t>(0, ops.size() - 1)](run);
        if (!out.leadIntact() || !data.leadIntact()) fail("a byte before a buffer changed");
        if (!std::equal(run.dataCopy.begin(), run.dataCopy.end(), data.data()))
            fail("an input buffer was written");
    }
    tbfuzz::setHidScript(nullptr);
    return 0;
}
