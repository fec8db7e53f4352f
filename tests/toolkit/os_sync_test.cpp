// Events, mutexes, handles and status texts shared by every toolkit.
#include <gtest/gtest.h>
#include <wdapi801.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim_points.hpp"

namespace {

using simtest::ready;
using simtest::run_detached;
using simtest::SimPoints;

TEST(Events, AutoResetSignalReleasesOneWaitBegunBeforeOrAfter) {
    wd_handle event = 0;
    ASSERT_EQ(OsEventCreate(&event), WD_STATUS_SUCCESS);
    ASSERT_NE(event, 0U);
    EXPECT_EQ(OsEventWait(event, 0), WD_STATUS_WAIT_TIMEOUT) << "created not signalled";

    ASSERT_EQ(OsEventSignal(event), WD_STATUS_SUCCESS);
    EXPECT_EQ(OsEventWait(event, 0), WD_STATUS_SUCCESS) << "a signal before the wait counts";
    EXPECT_EQ(OsEventWait(event, 0), WD_STATUS_WAIT_TIMEOUT) << "and is used up";

    std::thread signaller([event] { OsEventSignal(event); });
    EXPECT_EQ(OsEventWait(event, -1), WD_STATUS_SUCCESS);
    signaller.join();
    OsEventClose(event);
}

TEST(Events, ClosingEndsAWaitInProgressAndStaleHandlesAreRefused) {
    wd_handle event = 0;
    ASSERT_EQ(OsEventCreate(&event), WD_STATUS_SUCCESS);
    SimPoints points;
    auto waited = run_detached([event] { return OsEventWait(event, -1); });
    ASSERT_TRUE(points.wait_for([event](const SimPoints::Point &p) {
        return p.point == WDSIM_POINT_EVENT_WAIT && p.handle == event && p.value == -1;
    }));
    OsEventClose(event);  // the waiter is waiting now (the hook ran under the event's lock)
    ASSERT_TRUE(ready(waited)) << "closing the event did not end the wait";
    EXPECT_EQ(waited.get(), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(OsEventSignal(event), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(OsEventWait(event, 0), WD_STATUS_INVALID_HANDLE);
    OsEventClose(event);  // a second close is harmless
    EXPECT_EQ(OsEventCreate(nullptr), WD_STATUS_INVALID_PARAMETER);
}

// A thread that locks the mutex twice and unlocks once, then holds it until
// told to let go.
struct Holder {
    explicit Holder(wd_handle mutex)
        : done(run_detached([this, mutex] {
              OsMutexLock(mutex);
              OsMutexLock(mutex);  // re-entrant: returns at once
              OsMutexUnlock(mutex);
              holding.set_value();
              letGo.get_future().wait();
              OsMutexUnlock(mutex);
          })) {}
    std::promise<void> holding, letGo;
    std::future<void> done;
};

// A mutex held by a Holder that has locked it twice and unlocked it once.
class Mutexes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OsMutexCreate(&mutex), WD_STATUS_SUCCESS);
        holder = std::make_unique<Holder>(mutex);
        auto holding = holder->holding.get_future();
        ASSERT_TRUE(ready(holding)) << "a second lock by the holder blocked";
    }
    wd_handle mutex = 0;
    SimPoints points;  // before the holder: its first lock is the first point
    std::unique_ptr<Holder> holder;
};

TEST_F(Mutexes, AreReentrantForTheirHolderAndIgnoreOtherThreadsUnlocks) {
    // Another thread's unlock is ignored, so its lock finds the mutex held and
    // waits (it would take it at once were either unlock not as it should be).
    std::promise<std::thread::id> prober;
    auto probe = run_detached([&] {
        prober.set_value(std::this_thread::get_id());
        OsMutexUnlock(mutex);
        OsMutexLock(mutex);
        OsMutexUnlock(mutex);
    });
    const std::thread::id probe_thread = prober.get_future().get();
    const auto first_of_probe = [&](const SimPoints::Point &p) {
        return p.handle == mutex && p.thread == probe_thread;
    };
    ASSERT_TRUE(points.wait_for(first_of_probe));
    for (const auto &p : points.points()) {
        if (first_of_probe(p)) {
            EXPECT_EQ(p.point, WDSIM_POINT_MUTEX_WAIT) << "the probe took a mutex still held";
            break;
        }
    }
    holder->letGo.set_value();  // its last unlock hands the mutex over
    ASSERT_TRUE(points.wait_for([&](const SimPoints::Point &p) {
        return first_of_probe(p) && p.point == WDSIM_POINT_MUTEX_TAKEN;
    }));
    ASSERT_TRUE(ready(probe));
    ASSERT_TRUE(ready(holder->done));
    OsMutexClose(mutex);
    OsMutexLock(mutex);  // stale: does nothing, never blocks
    OsMutexUnlock(mutex);
}

TEST_F(Mutexes, ClosingEndsEveryWaitForThemWhileTheHolderStillHoldsThem) {
    std::vector<std::future<void>> waiters;
    for (int i = 0; i < 2; ++i) {
        waiters.push_back(run_detached([m = mutex] { OsMutexLock(m); }));
    }
    ASSERT_TRUE(points.wait_for(
        [&](const SimPoints::Point &p) {
            return p.point == WDSIM_POINT_MUTEX_WAIT && p.handle == mutex;
        },
        2));
    OsMutexClose(mutex);
    for (auto &waiter : waiters) {
        EXPECT_TRUE(ready(waiter)) << "closing the mutex did not end a wait for it";
    }
    const auto seen = points.points();
    const std::thread::id holder_thread = seen.front().thread;  // its first lock came first
    for (const auto &p : seen) {
        EXPECT_FALSE(p.point == WDSIM_POINT_MUTEX_TAKEN && p.thread != holder_thread)
            << "a waiter was given the closed mutex";
    }
    holder->letGo.set_value();  // its unlock of the closed mutex does nothing
    EXPECT_TRUE(ready(holder->done));
}

TEST(Handles, OfOneKindAreNotTakenForAnother) {
    wd_handle mutex = 0;
    ASSERT_EQ(OsMutexCreate(&mutex), WD_STATUS_SUCCESS);
    EXPECT_EQ(OsEventSignal(mutex), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(OsEventSignal(0), WD_STATUS_INVALID_HANDLE);
    OsMutexClose(mutex);
}

TEST(StatusTexts, NameEveryStatusAndNeverReturnNull) {
    const wd_status known[] = {WD_STATUS_SUCCESS,         WD_STATUS_WAIT_TIMEOUT,
                               WD_STATUS_INVALID_HANDLE,  WD_STATUS_INVALID_PARAMETER,
                               WD_STATUS_NO_RESOURCES,    WD_STATUS_DEVICE_GONE,
                               WD_STATUS_TRANSFER_TIMEOUT, WD_STATUS_STALL,
                               WD_STATUS_OVERFLOW,        WD_STATUS_IO_ERROR,
                               WD_STATUS_ACCESS_DENIED,   WD_STATUS_NOT_SUPPORTED,
                               WD_STATUS_BUSY,            WD_STATUS_ALREADY_INITIALIZED};
    const std::string unknown = Stat2Str(0xDEADBEEF);
    EXPECT_EQ(unknown, "Unrecognized error");
    for (const wd_status status : known) {
        ASSERT_NE(Stat2Str(status), nullptr);
        EXPECT_NE(Stat2Str(status), unknown) << std::hex << status;
    }
    EXPECT_EQ(std::string(Stat2Str(WD_STATUS_SUCCESS)), "Success");
}

}  // namespace
