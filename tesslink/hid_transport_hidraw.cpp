// HidTransport over Linux hidraw.
//
// Every transfer searches for the adapter and opens it (hidraw_search.hpp).
// hidraw passes the report-ID byte through on output (it strips an ID of 0
// before the device sees it) but drops it on input when the device has no
// numbered reports; readReport puts it back so byte 0 is always the report ID.
// A report counts as received only when it reaches the declared input length,
// report-ID byte included.
//
// Writes run on the one writer thread (background_writer.hpp) and hold the
// caller at most kTransferTimeout. While a write is still in the kernel,
// nothing is opened (an open would wait for it) and closes go to the writer.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "background_writer.hpp"
#include "hid_report.hpp"
#include "hid_transport.hpp"
#include "hidraw_search.hpp"
#include "never_destroyed.hpp"

namespace tesslink {
namespace {

class HidrawReplyChannel final : public HidReplyChannel {
  public:
    explicit HidrawReplyChannel(OpenAdapter adapter) : adapter_(std::move(adapter)) {}

    // Only a whole report counts: one shorter than the declared input length
    // would leave the status and data bytes as the zero filler, which reads
    // as a success the adapter never reported. A short report is dropped and
    // the wait goes on for a whole one until the time limit.
    bool readReport(Report &report) override {
        const ReportLengths &lengths = adapter_.lengths;
        report.assign(std::max(kMinReportBuffer, lengths.input), 0);
        // Without numbered reports hidraw delivers the report without its ID
        // byte; byte 0 then stays the ID 0 and counts towards the length.
        const std::size_t offset = lengths.numbered ? 0 : 1;
        const int fd = adapter_.handle.get();
        const auto deadline = std::chrono::steady_clock::now() + kTransferTimeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() < 0) {
                return false;
            }
            pollfd waiting{fd, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0 || (waiting.revents & POLLIN) == 0) {
                return false;
            }
            const ssize_t got = ::read(fd, report.data() + offset, report.size() - offset);
            if (got < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (got == 0) {
                return false;  // end of file: the device is gone
            }
            if (offset + static_cast<std::size_t>(got) >= lengths.input) {
                return true;
            }
            std::fill(report.begin(), report.end(), std::uint8_t{0});
        }
    }

  private:
    OpenAdapter adapter_;
};

class HidrawTransport final : public HidTransport {
  public:
    std::unique_ptr<HidReplyChannel> openReplyChannel() override {
        if (writeInProgress()) {
            return nullptr;
        }
        auto adapter = openAdapter(O_NONBLOCK);
        if (!adapter) {
            return nullptr;
        }
        return std::make_unique<HidrawReplyChannel>(std::move(*adapter));
    }

    WriteResult writeReport(std::span<const std::uint8_t> layout) override {
        if (writeInProgress()) {
            return WriteResult::NotSent;
        }
        auto adapter = openAdapter(0);
        if (!adapter) {
            return WriteResult::NotSent;
        }
        if (layout.size() > adapter->lengths.output) {
            return WriteResult::TooLong;
        }
        // writeWithTimeLimit owns the descriptor from here on every path.
        switch (writeWithTimeLimit(adapter->handle.release(), layout, adapter->lengths.output,
                                   kTransferTimeout)) {
            case WriteOutcome::Completed:
            case WriteOutcome::Pending:
                return WriteResult::Sent;
            case WriteOutcome::Failed:
            case WriteOutcome::Busy:
                return WriteResult::NotSent;
        }
        return WriteResult::NotSent;
    }
};

}  // namespace

HidTransport &systemTransport() {
    return neverDestroyed<HidrawTransport>();
}

}  // namespace tesslink
