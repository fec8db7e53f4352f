// A simulated HID adapter behind the transport contract, for testing the
// command set byte-exact without the kernel. Reports are answered at once by
// the firmware model; like hidraw, a reply reaches only reply channels open
// when it is produced.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "simulated_board.hpp"

namespace tesslink::testing {

class FakeTransport final : public HidTransport {
  public:
    FakeTransport();
    FakeTransport(const FakeTransport &) = delete;
    FakeTransport &operator=(const FakeTransport &) = delete;
    ~FakeTransport() override;

    std::unique_ptr<HidReplyChannel> openReplyChannel() override;
    WriteResult writeReport(std::span<const std::uint8_t> layout) override;

    hid_adapter::SimulatedBoard board;
    bool present = true;
    std::size_t outputLength = 65;  // declared lengths, report-ID byte included
    std::size_t inputLength = 65;

    // Changes or drops (nullopt) the reply to the write with the given index.
    std::function<std::optional<Report>(std::size_t index, std::optional<Report> reply)> tamper;

    std::vector<Report> written;  // every report sent, at the declared output length
    unsigned channelsOpened = 0;
    unsigned searches = 0;

  private:
    friend class FakeReplyChannel;
    std::vector<std::deque<Report> *> openQueues_;
    FakeTransport *previous_;
};

}  // namespace tesslink::testing
