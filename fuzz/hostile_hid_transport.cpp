#include "hostile_hid_transport.hpp"

#include <algorithm>
#include <optional>

#include "hid_report.hpp"
#include "report_descriptor.hpp"

namespace tbfuzz {
namespace {

HidScript *current = nullptr;

// What the search finds: the lengths of a present adapter with a usable
// descriptor, or nothing.
std::optional<tesslink::ReportLengths> find() {
    if (current == nullptr || current->answers->ConsumeIntegralInRange<int>(0, 31) == 0) {
        return std::nullopt;  // unplugged between two calls
    }
    auto lengths = tesslink::parseReportLengths(current->descriptor);
    if (!lengths || !tesslink::isUsable(*lengths)) {
        return std::nullopt;
    }
    return lengths;
}

class ScriptedChannel final : public tesslink::HidReplyChannel {
  public:
    explicit ScriptedChannel(tesslink::ReportLengths lengths) : lengths_(lengths) {}

    bool readReport(tesslink::Report &report) override {
        FuzzedDataProvider &in = *current->answers;
        if (in.remaining_bytes() == 0 || in.ConsumeIntegralInRange<int>(0, 7) == 0) {
            return false;  // time-out or a failed device
        }
        // As hidraw: the buffer is sized by the declared input length, a
        // device without numbered reports gets its ID byte put back, and one
        // read returns between 1 byte and the room left. A report shorter
        // than the declared input length is no reply.
        report.assign(std::max(tesslink::kMinReportBuffer, lengths_.input), 0);
        const std::size_t offset = lengths_.numbered ? 0 : 1;
        const std::size_t got = in.ConsumeIntegralInRange<std::size_t>(1, report.size() - offset);
        const auto bytes = in.ConsumeBytes<std::uint8_t>(got);
        if (offset + bytes.size() < lengths_.input) {
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), report.begin() + static_cast<long>(offset));
        if (!lengths_.numbered) {
            report[tesslink::kReportIdByte] = 0;
        }
        ++current->repliesRead;
        if (report[tesslink::kReplyStatusByte] == 0) {
            ++current->successReplies;
        }
        return true;
    }

  private:
    tesslink::ReportLengths lengths_;
};

class ScriptedTransport final : public tesslink::HidTransport {
  public:
    std::unique_ptr<tesslink::HidReplyChannel> openReplyChannel() override {
        const auto lengths = find();
        if (!lengths) {
            return nullptr;
        }
        return std::make_unique<ScriptedChannel>(*lengths);
    }

    tesslink::WriteResult writeReport(std::span<const std::uint8_t> layout) override {
        const auto lengths = find();
        if (!lengths) {
            return tesslink::WriteResult::NotSent;
        }
        if (layout.size() > lengths->output) {
            return tesslink::WriteResult::TooLong;
        }
        if (current->answers->ConsumeIntegralInRange<int>(0, 15) == 0) {
            return tesslink::WriteResult::NotSent;  // the device refused it
        }
        tesslink::Report report(lengths->output, 0);
        std::copy(layout.begin(), layout.end(), report.begin());
        current->sent.push_back(std::move(report));
        return tesslink::WriteResult::Sent;
    }
};

}  // namespace

void setHidScript(HidScript *script) { current = script; }

}  // namespace tbfuzz

namespace tesslink {

HidTransport &systemTransport() {
    static tbfuzz::ScriptedTransport transport;
    return transport;
}

}  // namespace tesslink
