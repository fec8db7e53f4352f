// Events, mutexes, handles and status texts shared by every toolkit.
#include <gtest/gtest.h>
#include <wdapi801.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

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

TEST(Events, ClosingEndsAWaitWithoutLimitAndStaleHandlesAreRefused) {
    wd_handle event = 0;
    ASSERT_EQ(OsEventCreate(&event), WD_STATUS_SUCCESS);
    std::atomic<wd_status> waited{WD_STATUS_SUCCESS};
    std::thread waiter([&] { waited = OsEventWait(event, -1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    OsEventClose(event);
    waiter.join();
    EXPECT_EQ(waited.load(), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(OsEventSignal(event), WD_STATUS_INVALID_HANDLE);
    EXPECT_EQ(OsEventWait(event, 0), WD_STATUS_INVALID_HANDLE);
    OsEventClose(event);  // a second close is harmless
    EXPECT_EQ(OsEventCreate(nullptr), WD_STATUS_INVALID_PARAMETER);
}

TEST(Mutexes, AreReentrantForTheirHolderAndIgnoreOtherThreadsUnlocks) {
    wd_handle mutex = 0;
    ASSERT_EQ(OsMutexCreate(&mutex), WD_STATUS_SUCCESS);
    OsMutexLock(mutex);
    OsMutexLock(mutex);
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        OsMutexUnlock(mutex);  // not the holder: ignored
        OsMutexLock(mutex);
        acquired = true;
        OsMutexUnlock(mutex);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(acquired.load());
    OsMutexUnlock(mutex);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(acquired.load()) << "still held once";
    OsMutexUnlock(mutex);
    other.join();
    EXPECT_TRUE(acquired.load());
    OsMutexClose(mutex);
    OsMutexLock(mutex);  // stale: does nothing, never blocks
    OsMutexUnlock(mutex);
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
