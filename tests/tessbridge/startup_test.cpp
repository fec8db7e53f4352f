// Start-up and shutdown of the driver connection, against the simulated toolkit.
#include "sim_points.hpp"
#include "tessbridge_fixture.hpp"

namespace tbtest {
namespace {

using Startup = TessbridgeTest;

TEST_F(Startup, WithoutAdapterWaitsOutTheTimeLimitSilentlyAndSelectsNothing) {
    simtest::SimPoints points;
    load();
    EXPECT_EQ(points.values(WDSIM_POINT_EVENT_WAIT), std::vector<int32_t>{2})
        << "one wait, for the whole 2-second budget";
    EXPECT_EQ(startup_stderr, "");
    EXPECT_EQ(tb.GetNumberOfDevices(), 0);
    EXPECT_EQ(tb.SelectBySerialNumber(1234), 0);
    EXPECT_EQ(tb.GetFirmwareRevision(), 255);
    EXPECT_EQ(messages, std::vector<std::string>{"No hardware detected"});
    EXPECT_TRUE(transfers().empty());
}

TEST_F(Startup, SelectsTheAdapterPresentAtLoadForEitherIdPair) {
    for (const auto &[vendor, product] : {std::pair{kVendorA, kProductA}, {kVendorB, kProductB}}) {
        const wd_handle device = plug("1111", nullptr, vendor, product);
        load();
        EXPECT_EQ(startup_stderr, "");
        EXPECT_EQ(tb.GetNumberOfDevices(), 1);
        forget();
        reply(device, {0x17});
        EXPECT_EQ(tb.GetFirmwareRevision(), 0x17);
        ASSERT_EQ(sent_packets(), std::vector<Bytes>{hex("01 F0")});
        for (const auto &t : transfers()) {
            EXPECT_EQ(t.device, device);
        }
        unload();
        wdsim_reset();
    }
}

TEST_F(Startup, DevicesWithOtherIdsAreNeverReported) {
    plug("4321", nullptr, 0x04CC, 0xF298);
    plug("8765", nullptr, 0x1234, 0x2000);
    load();
    EXPECT_EQ(tb.GetNumberOfDevices(), 0);
    EXPECT_TRUE(transfers().empty()) << "no serial number was read from a foreign device";
}

struct StartupFailure {
    const char *name;
    wdsim_op op;
    uint32_t skip;
    const char *message;
};

class StartupFailures : public TessbridgeTest,
                        public ::testing::WithParamInterface<StartupFailure> {};

TEST_P(StartupFailures, ShowTheirMessageAndLeaveTheLibraryUsable) {
    const StartupFailure &failure = GetParam();
    plug("1234");
    wdsim_inject_fault(failure.op, failure.skip, WD_STATUS_NO_RESOURCES, 0);
    load();
    EXPECT_EQ(startup_stderr, std::string(failure.message) + "\n");
    // Nothing is selected: commands report the missing hardware, nothing crashes.
    EXPECT_EQ(tb.GetFirmwareRevision(), 255);
    EXPECT_EQ(messages, std::vector<std::string>{"No hardware detected"});
    tb.ShutdownProcedure();
    tb.ShutdownProcedure();
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartupFailures,
    ::testing::Values(
        StartupFailure{"AttachEvent", WDSIM_OP_EVENT_CREATE, 0,
                       "main: OsEventCreate() failed on event 0x0: error 0x20000003 "
                       "Insufficient resources"},
        StartupFailure{"ListMutex", WDSIM_OP_MUTEX_CREATE, 0,
                       "main: OsMutexCreate() failed on mutex 0x0: error 0x20000003 "
                       "Insufficient resources"},
        StartupFailure{"ReleaseEvent", WDSIM_OP_EVENT_CREATE, 1,
                       "main: OsEventCreate() failed on event 0x0: error 0x20000003 "
                       "Insufficient resources"},
        StartupFailure{"Init", WDSIM_OP_INIT, 0,
                       "main: failed to initialize USB driver: error 0x20000003 "
                       "Insufficient resources"}),
    CaseName{});

TEST_F(Startup, FailedWaitIsReportedButAdaptersStillAttach) {
    wdsim_inject_fault(WDSIM_OP_EVENT_WAIT, 0, WD_STATUS_INVALID_HANDLE, 0);
    load();
    // The event's handle is printed as the toolkit issued it.
    EXPECT_NE(startup_stderr.find("main: OsEventWait() failed on event 0x"), std::string::npos);
    EXPECT_NE(startup_stderr.find(": error 0x20000001 Invalid handle (closed, detached or "
                                  "unknown)\n"),
              std::string::npos)
        << startup_stderr;
    const wd_handle device = plug("0042");
    settle();
    EXPECT_EQ(tb.GetNumberOfDevices(), 1);
    reply(device, {0x05});
    EXPECT_EQ(tb.GetFirmwareRevision(), 5);
}

TEST_F(Startup, ShutdownClosesTheConnectionOnceAndLaterNotificationsAreHarmless) {
    const wd_handle device = plug("1234");
    load();
    tb.ShutdownProcedure();
    tb.ShutdownProcedure();
    // The registry stays readable after the shutdown.
    EXPECT_EQ(tb.GetNumberOfDevices(), 1);
    forget();
    wdsim_unplug(device);
    plug("5678");
    settle();
    EXPECT_EQ(tb.GetNumberOfDevices(), 1);
    EXPECT_TRUE(transfers().empty());
    // The released device can no longer be reached.
    EXPECT_EQ(tb.GetFirmwareRevision(), 255);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], "ReadWritePipesMenu: WDU_GetDeviceInfo() failed: error 0x20000001 "
                           "(Invalid handle (closed, detached or unknown))");
}

}  // namespace
}  // namespace tbtest
