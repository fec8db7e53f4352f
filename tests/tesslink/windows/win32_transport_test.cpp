// The Win32 HID transport against a simulated system of HID interfaces: the
// search, the transfers and their time limits, and that nothing the
// transport takes from the system is still held after any case.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake_hid_system.hpp"
#include "hid_transport_win32.hpp"

namespace {

using tesslink::HidReplyChannel;
using tesslink::HidTransport;
using tesslink::Report;
using tesslink::WriteResult;
using tesslink::testing::FakeHidSystem;
using tesslink::testing::FakeHoldings;
using tesslink::testing::FakeInterface;
using tesslink::testing::WriteBehaviour;

const Report kFlashLed = {0, 0xA0, 2};

// The adapter's answer to any report: its command echoed, status 0x5A.
std::vector<Report> answer(const Report &output) {
    Report reply(65, 0);
    reply[1] = output[1];
    reply[2] = output[2];
    reply[3] = 0x5A;
    return {reply};
}

FakeInterface adapter(const std::string &path) {
    FakeInterface i;
    i.path = path;
    i.respond = answer;
    return i;
}

FakeInterface otherDevice(const std::string &path, USHORT vendor, USHORT product) {
    FakeInterface i;
    i.path = path;
    i.vendor = vendor;
    i.product = product;
    return i;
}

std::string joined(const std::vector<std::string> &lines) {
    std::string text;
    for (const auto &line : lines) {
        text += "\n  " + line;
    }
    return text;
}

// Holds nothing and did nothing wrong.
void expectClean(const FakeHidSystem &system) {
    EXPECT_EQ(system.holdings(), FakeHoldings{});
    EXPECT_TRUE(system.faults.empty()) << joined(system.faults);
}

std::size_t count(const std::vector<std::string> &calls, const std::string &name) {
    return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), name));
}

// True when `second` is called after a call of `first`.
bool calledAfter(const std::vector<std::string> &calls, const std::string &first,
                 const std::string &second) {
    const auto at = std::find(calls.begin(), calls.end(), first);
    return at != calls.end() && std::find(at, calls.end(), second) != calls.end();
}

class Win32Transport : public ::testing::Test {
  protected:
    FakeHidSystem system;
    std::unique_ptr<HidTransport> transport = tesslink::makeWin32HidTransport(system);

    // An adapter that takes a report and does not answer: its reply channel,
    // opened before a report was written to it.
    std::unique_ptr<HidReplyChannel> silentAdapterAfterAWrite() {
        system.interfaces.push_back(adapter("silent adapter"));
        system.interfaces.back().respond = nullptr;
        auto channel = transport->openReplyChannel();
        EXPECT_NE(channel, nullptr);
        EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
        return channel;
    }

    void TearDown() override { expectClean(system); }
};

TEST_F(Win32Transport, TheAdapterIsTheFirstOpenInterfaceWithItsIdsAndUsableLengths) {
    auto &all = system.interfaces;
    all.push_back(otherDevice("mouse", 0x845E, 0x0001));
    all.back().opens = false;  // held by the system
    all.push_back(otherDevice("keyboard", 0x845E, 0x0002));
    all.push_back(adapter("adapter held elsewhere"));
    all.back().opens = false;
    all.push_back(otherDevice("same vendor, other product", 0x04D8, 0x00DD));
    all.push_back(adapter("attributes unreadable"));
    all.back().attributesReadable = false;
    all.push_back(adapter("no preparsed data"));
    all.back().preparsedDataReadable = false;
    all.push_back(adapter("capabilities unreadable"));
    all.back().capsReadable = false;
    all.push_back(adapter("input report of 32 bytes"));
    all.back().inputLength = 32;
    all.push_back(adapter("no output report"));
    all.back().outputLength = 0;
    all.push_back(adapter("first adapter"));
    all.push_back(adapter("second adapter"));
    const std::size_t first = 9;

    auto channel = transport->openReplyChannel();
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(system.holdings().deviceHandles, 1);  // every other interface was closed
    EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
    Report reply;
    ASSERT_TRUE(channel->readReport(reply));
    EXPECT_EQ(reply[1], 0xA0);
    EXPECT_EQ(reply[3], 0x5A);
    channel.reset();

    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].written.size(), i == first ? 1U : 0U) << all[i].path;
    }
    // Both searches tried every interface up to the first adapter, in order.
    std::vector<std::size_t> oneSearch(first + 1);
    for (std::size_t i = 0; i <= first; ++i) {
        oneSearch[i] = i;
    }
    std::vector<std::size_t> twoSearches = oneSearch;
    twoSearches.insert(twoSearches.end(), oneSearch.begin(), oneSearch.end());
    EXPECT_EQ(system.opened, twoSearches);
    EXPECT_EQ(count(system.calls, "SetupDiDestroyDeviceInfoList"), 2U);
}

TEST_F(Win32Transport, WithoutAnAdapterNothingIsOpenedForATransferAndNothingStarts) {
    struct Case {
        std::string name;
        void (*setUp)(FakeHidSystem &);
        std::vector<std::size_t> opened;  // the interfaces the search opens
    };
    const std::vector<Case> cases = {
        {"no HID interface", [](FakeHidSystem &) {}, {}},
        {"no interface set",
         [](FakeHidSystem &s) {
             s.interfaces.push_back(adapter("adapter"));
             s.classDevsFail = true;
         },
         {}},
        {"only other devices",
         [](FakeHidSystem &s) {
             s.interfaces.push_back(otherDevice("mouse", 0x845E, 0x0001));
             s.interfaces.push_back(otherDevice("keyboard", 0x845E, 0x0002));
             s.interfaces.push_back(adapter("unplugged"));
             s.interfaces.back().present = false;
         },
         {0, 1}},
        {"a detail record that cannot be fetched ends the search",
         [](FakeHidSystem &s) {
             s.interfaces.push_back(otherDevice("mouse", 0x845E, 0x0001));
             s.interfaces.push_back(otherDevice("keyboard", 0x845E, 0x0002));
             s.interfaces.push_back(adapter("adapter"));
             s.detailFetchFailsAt = 1;
         },
         {0}},
        {"a detail record that cannot be allocated ends the search",
         [](FakeHidSystem &s) {
             s.interfaces.push_back(adapter("adapter"));
             s.allocationsFail = true;
         },
         {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidSystem s;
        c.setUp(s);
        const auto t = tesslink::makeWin32HidTransport(s);
        EXPECT_EQ(t->openReplyChannel(), nullptr);
        EXPECT_EQ(t->writeReport(kFlashLed), WriteResult::NotSent);
        std::vector<std::size_t> twice = c.opened;
        twice.insert(twice.end(), c.opened.begin(), c.opened.end());
        EXPECT_EQ(s.opened, twice);
        EXPECT_EQ(count(s.calls, "CreateEventA"), 0U);
        EXPECT_EQ(count(s.calls, "WriteFile"), 0U);
        EXPECT_EQ(count(s.calls, "SetupDiDestroyDeviceInfoList"), s.classDevsFail ? 0U : 2U);
        expectClean(s);
    }
}

TEST_F(Win32Transport, AReadWithoutAReportIsCancelledAfterTheLimitAndWaitedFor) {
    const auto channel = silentAdapterAfterAWrite();
    ASSERT_NE(channel, nullptr);

    system.calls.clear();
    const ULONGLONG start = system.now();
    Report reply;
    EXPECT_FALSE(channel->readReport(reply));
    EXPECT_EQ(system.now() - start, 1000U);
    EXPECT_EQ(system.waits.back(), 1000U);
    EXPECT_TRUE(calledAfter(system.calls, "CancelIo", "GetOverlappedResult(wait)"));
    EXPECT_EQ(system.holdings().transfersInProgress, 0);
}

TEST_F(Win32Transport, AWriteNotTakenWithinTheLimitIsCancelledWaitedForAndNotSent) {
    system.interfaces.push_back(adapter("adapter that takes no report"));
    system.interfaces.back().writes = WriteBehaviour::NeverAccept;
    const ULONGLONG start = system.now();
    EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::NotSent);
    EXPECT_EQ(system.now() - start, 1000U);
    EXPECT_EQ(system.waits, std::vector<DWORD>{1000});
    EXPECT_TRUE(calledAfter(system.calls, "CancelIo", "GetOverlappedResult(wait)"));
    EXPECT_TRUE(system.interfaces[0].written.empty());
}

TEST_F(Win32Transport, ATransferThatFinishesAsTheCancelIsAskedForCounts) {
    system.interfaces.push_back(adapter("slow adapter"));
    FakeInterface &slow = system.interfaces.back();
    slow.writes = WriteBehaviour::NeverAccept;
    slow.respond = nullptr;

    // The adapter takes the report just as the write is cancelled.
    system.atCancel = [&] { system.acceptWritesInProgress(0); };
    auto channel = transport->openReplyChannel();
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
    EXPECT_EQ(slow.written.size(), 1U);

    // Its reply comes just as the read is cancelled.
    Report late(65, 0);
    late[1] = 0xA0;
    late[3] = 0x77;
    system.atCancel = [&] { system.sendInput(0, late); };
    Report reply;
    ASSERT_TRUE(channel->readReport(reply));
    EXPECT_EQ(reply, late);
}

TEST_F(Win32Transport, AReplyArrivingDuringTheWaitIsRead) {
    const auto channel = silentAdapterAfterAWrite();
    ASSERT_NE(channel, nullptr);
    Report answerNow(65, 0);
    answerNow[3] = 0x42;
    system.duringWait = [&] { system.sendInput(0, answerNow); };
    Report reply;
    ASSERT_TRUE(channel->readReport(reply));
    EXPECT_EQ(reply, answerNow);
    EXPECT_EQ(count(system.calls, "CancelIo"), 0U);
}

TEST_F(Win32Transport, AReportShorterThanDeclaredIsNoReply) {
    system.interfaces.push_back(adapter("adapter"));
    const Report shortReport(10, 0x11);
    Report whole(65, 0);
    whole[3] = 0x22;
    system.interfaces.back().respond = [&](const Report &) {
        return std::vector<Report>{shortReport, whole};
    };
    auto channel = transport->openReplyChannel();
    ASSERT_NE(channel, nullptr);
    ASSERT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
    Report reply;
    ASSERT_TRUE(channel->readReport(reply));
    EXPECT_EQ(reply, whole);

    // A short report alone: the read waits out its limit and fails.
    system.interfaces.back().respond = [&](const Report &) {
        return std::vector<Report>{shortReport};
    };
    ASSERT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
    const ULONGLONG start = system.now();
    EXPECT_FALSE(channel->readReport(reply));
    EXPECT_EQ(system.now() - start, 1000U);
}

TEST_F(Win32Transport, TransfersMoveTheDeclaredReportLengths) {
    system.interfaces.push_back(adapter("adapter with 128-byte reports"));
    FakeInterface &wide = system.interfaces.back();
    wide.inputLength = 128;
    wide.outputLength = 128;
    wide.respond = [](const Report &) { return std::vector<Report>{Report(128, 0x33)}; };

    auto channel = transport->openReplyChannel();
    ASSERT_NE(channel, nullptr);
    ASSERT_EQ(transport->writeReport(kFlashLed), WriteResult::Sent);
    Report expected(128, 0);
    std::copy(kFlashLed.begin(), kFlashLed.end(), expected.begin());
    EXPECT_EQ(wide.written.at(0), expected);
    Report reply;
    ASSERT_TRUE(channel->readReport(reply));
    EXPECT_EQ(reply, Report(128, 0x33));

    system.calls.clear();
    EXPECT_EQ(transport->writeReport(Report(129, 1)), WriteResult::TooLong);
    EXPECT_EQ(count(system.calls, "CreateEventA"), 0U);
    EXPECT_EQ(wide.written.size(), 1U);
}

TEST_F(Win32Transport, AWriteRefusedAtOnceIsNotSentAndNotWaitedFor) {
    system.interfaces.push_back(adapter("adapter that refuses"));
    system.interfaces.back().writes = WriteBehaviour::Refuse;
    EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::NotSent);
    EXPECT_TRUE(system.waits.empty());
}

TEST_F(Win32Transport, WithoutAnEventNoTransferStarts) {
    system.interfaces.push_back(adapter("adapter"));
    system.eventsFail = true;
    auto channel = transport->openReplyChannel();
    ASSERT_NE(channel, nullptr);
    EXPECT_EQ(transport->writeReport(kFlashLed), WriteResult::NotSent);
    Report reply;
    EXPECT_FALSE(channel->readReport(reply));
    EXPECT_EQ(count(system.calls, "WriteFile") + count(system.calls, "ReadFile"), 0U);
}

}  // namespace
