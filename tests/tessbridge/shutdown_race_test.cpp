// ShutdownProcedure racing a host's selection and a notification handler's
// serial reads, each interleaving forced with the simulated toolkit's hooks.
#include "sim_points.hpp"
#include "tessbridge_fixture.hpp"

namespace tbtest {
namespace {

using simtest::ready;
using simtest::run_detached;
using simtest::SimPoints;

using ShutdownRace = TessbridgeTest;

// One host thread holds the adapter list (inside SelectBySerialNumber), a
// second waits for it; the shutdown closes the list's mutex under both.
TEST_F(ShutdownRace, ASelectionWaitingForTheListFailsAtOnceAndQuietly) {
    plug("1111");
    plug("2222");
    load();
    forget();
    SimPoints points;
    auto holder = run_detached([this] {
        SimPoints::hold_next_take_on_this_thread();
        return tb.SelectBySerialNumber(2222);
    });
    ASSERT_TRUE(points.wait_until_held());
    std::promise<std::thread::id> waiter_thread;
    auto waiter = run_detached([&] {
        waiter_thread.set_value(std::this_thread::get_id());
        return tb.SelectBySerialNumber(1111);
    });
    const std::thread::id waiting = waiter_thread.get_future().get();
    ASSERT_TRUE(points.wait_for([&](const SimPoints::Point &p) {
        return p.point == WDSIM_POINT_MUTEX_WAIT && p.thread == waiting;
    }));

    auto shutdown = run_detached([this] { tb.ShutdownProcedure(); });
    ASSERT_TRUE(ready(shutdown)) << "the shutdown waited for a selection";
    ASSERT_TRUE(ready(waiter)) << "the waiting selection was not woken by the close";
    EXPECT_EQ(waiter.get(), 0);
    EXPECT_TRUE(points.holding()) << "the waiter was let go only by the close";
    for (const auto &p : points.points()) {
        EXPECT_FALSE(p.point == WDSIM_POINT_MUTEX_TAKEN && p.thread == waiting)
            << "the waiter got the closed list";
    }
    points.release();
    ASSERT_TRUE(ready(holder));
    EXPECT_EQ(holder.get(), 0) << "the holder saw the shutdown once its lock returned";
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(transfers().empty());
}

// An attach re-reads every serial number; the read of the first adapter gets
// no answer (it would run into its 10-second limit). The shutdown neither waits
// for it nor lets the handler read another one.
TEST_F(ShutdownRace, ShutdownEndsAHandlersSerialReadAndItReadsNoMore) {
    const wd_handle first = plug("1111");
    plug("2222");
    load();
    forget();
    wdsim_inject_silence(WDSIM_OP_CONTROL, 0);
    SimPoints points;
    plug("3333");
    ASSERT_TRUE(points.wait_for(WDSIM_POINT_TRANSFER_WAIT));

    auto shutdown = run_detached([this] { tb.ShutdownProcedure(); });
    ASSERT_TRUE(ready(shutdown));
    const auto reads = transfers();
    ASSERT_EQ(reads.size(), 1U) << "the handler went on reading serial numbers";
    EXPECT_EQ(reads[0].kind, WDSIM_CONTROL);
    EXPECT_EQ(reads[0].device, first);
    EXPECT_EQ(reads[0].status, WD_STATUS_INVALID_HANDLE) << "the read was not ended by WDU_Uninit";
    EXPECT_TRUE(messages.empty()) << "a read the shutdown ended is no failure to show";
    settle();
    EXPECT_EQ(transfers().size(), 1U);
}

}  // namespace
}  // namespace tbtest
