#include "fake_transport.hpp"

#include <algorithm>
#include <utility>

namespace tesslink {
namespace testing {
namespace {
FakeTransport *current = nullptr;
}  // namespace

class FakeReplyChannel final : public HidReplyChannel {
  public:
    explicit FakeReplyChannel(FakeTransport &transport) : transport_(transport) {
        transport_.openQueues_.push_back(&queue_);
    }
    FakeReplyChannel(const FakeReplyChannel &) = delete;
    FakeReplyChannel &operator=(const FakeReplyChannel &) = delete;
    ~FakeReplyChannel() override { std::erase(transport_.openQueues_, &queue_); }

    bool readReport(Report &report) override {
        if (queue_.empty()) {
            return false;  // a real transport would have waited 1000 ms
        }
        report = queue_.front();
        queue_.pop_front();
        report.resize(std::max(kMinReportBuffer, transport_.inputLength), 0);
        return true;
    }

  private:
    FakeTransport &transport_;
    std::deque<Report> queue_;
};

// The newest fake is the system's transport until it goes away.
FakeTransport::FakeTransport() : previous_(std::exchange(current, this)) {}
FakeTransport::~FakeTransport() {
    current = previous_;
}

std::unique_ptr<HidReplyChannel> FakeTransport::openReplyChannel() {
    ++searches;
    if (!present) {
        return nullptr;
    }
    ++channelsOpened;
    return std::make_unique<FakeReplyChannel>(*this);
}

WriteResult FakeTransport::writeReport(std::span<const std::uint8_t> layout) {
    ++searches;
    if (!present) {
        return WriteResult::NotSent;
    }
    if (layout.size() > outputLength) {
        return WriteResult::TooLong;
    }
    Report report(layout.begin(), layout.end());
    report.resize(outputLength, 0);
    written.push_back(report);
    std::optional<Report> reply = board.firmware.handle(report);
    if (tamper) {
        reply = tamper(written.size() - 1, std::move(reply));
    }
    if (reply) {
        reply->resize(inputLength, 0);
        for (auto *queue : openQueues_) {
            queue->push_back(*reply);
        }
    }
    return WriteResult::Sent;
}

}  // namespace testing

HidTransport &systemTransport() {
    return *testing::current;
}

}  // namespace tesslink
