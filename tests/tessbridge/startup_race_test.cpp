// The start-up with adapters present at load: the toolkit delivers their
// attaches before WDU_Init returns, so every one of them is listed with its
// serial number read and list position 1 is selected when the load returns,
// whatever the number of adapters; and the start-up's one 2-second budget is
// never spent twice.
#include <array>
#include <string>

#include "sim_points.hpp"
#include "tessbridge_fixture.hpp"

namespace tbtest {
namespace {

using simtest::SimPoints;
using StartupBudget = TessbridgeTest;

// The waits the start-up had to make: OsEventWait calls that found their event
// not signalled, with their limits in seconds.
std::vector<int32_t> blocking_waits(SimPoints &points) {
    return points.values(WDSIM_POINT_EVENT_WAIT);
}

class StartupWithAdapters : public TessbridgeTest, public ::testing::WithParamInterface<int> {};

TEST_P(StartupWithAdapters, ListsThemAllReadsTheirSerialNumbersAndSelectsPositionOne) {
    const int count = GetParam();
    // Repeated: the outcome must not depend on how the threads were scheduled.
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        std::vector<int32_t> serials;
        for (int i = 0; i < count; ++i) {
            serials.push_back(2000 + 10 * i + run);
            plug(std::to_string(serials.back()).c_str(), nullptr, i % 2 ? kVendorB : kVendorA,
                 i % 2 ? kProductB : kProductA);
        }
        SimPoints points;
        load();
        EXPECT_FALSE(pending_at_load) << "attach work still going on when the load returned";
        EXPECT_EQ(blocking_waits(points), std::vector<int32_t>{})
            << "the start-up waited although the adapters were attached";
        EXPECT_EQ(startup_stderr, "");
        EXPECT_EQ(tb.GetNumberOfDevices(), count);
        std::array<int32_t, 10> cached{};
        ASSERT_EQ(tb.GetSerialNumbers(cached.data()), count);
        EXPECT_EQ(std::vector<int32_t>(cached.begin(), cached.begin() + count), serials);
        EXPECT_EQ(selected(tb), plugged.front()) << "position 1 is not selected";
        unload();
        wdsim_reset();
        plugged.clear();
    }
}

INSTANTIATE_TEST_SUITE_P(Present, StartupWithAdapters, ::testing::Values(1, 2, 10),
                         [](const auto &case_info) {
                             return std::to_string(case_info.param) + "Adapters";
                         });

// An attach that cannot finish (its serial read gets no answer): WDU_Init gives
// up after its 2 seconds, and the start-up's wait then only looks whether an
// attach came, rather than waiting 2 seconds more.
TEST_F(StartupBudget, AfterADeliveryThatCouldNotProgressTheStartUpDoesNotWaitAgain) {
    plug("1234");
    wdsim_inject_silence(WDSIM_OP_CONTROL, 0);
    SimPoints points;
    load(Settle::no);
    EXPECT_EQ(blocking_waits(points), std::vector<int32_t>{0});
    EXPECT_TRUE(pending_at_load);
    // Unloading shuts down: WDU_Uninit ends the unanswered read, and the
    // attach handler stops there, quietly.
    unload();
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace tbtest
