// Every export of the simulated wdapi801.dll called through a pointer of the
// type its headers declare (__cdecl), in the order a host uses them: an
// adapter plugged in, a driver registered with handlers of this program
// (called back on the toolkit's thread), transfers, faults, the log.
#include <wdapi801_sim.h>

#include <atomic>
#include <cstring>
#include <iterator>

#include "call_exports.hpp"

#define WDAPI801_FUNCTIONS(X)                                                                  \
    X(WDU_Init) X(WDU_Uninit) X(WDU_GetDeviceInfo) X(WDU_PutDeviceInfo) X(WDU_TransferBulk)    \
    X(WDU_TransferDefaultPipe) X(Stat2Str) X(OsEventCreate) X(OsEventClose) X(OsEventSignal)   \
    X(OsEventWait) X(OsMutexCreate) X(OsMutexClose) X(OsMutexLock) X(OsMutexUnlock)            \
    X(wdsim_plug) X(wdsim_unplug) X(wdsim_settle) X(wdsim_reset) X(wdsim_adapter_count)        \
    X(wdsim_open_records) X(wdsim_queue_reply) X(wdsim_inject_fault) X(wdsim_log_count)        \
    X(wdsim_log_entry) X(wdsim_log_clear) X(wdsim_log_enable) X(wdsim_plug_bench)              \
    X(wdsim_inject_silence) X(wdsim_set_hook)

namespace wintest {
namespace {

const ExportEntry kTable[] = {
#include "wdapi801_table.inc"
};

struct ToolkitApi {
#define TB_MEMBER(name) decltype(&::name) name = nullptr;
    WDAPI801_FUNCTIONS(TB_MEMBER)
#undef TB_MEMBER
};

// What the handlers saw, on the toolkit's thread.
struct Notifications {
    const ToolkitApi *api = nullptr;
    wd_handle attached_event = 0;
    std::atomic<wd_handle> attached{0};
    std::atomic<uint16_t> vendor{0};
    std::atomic<wd_handle> detached{0};
};

int on_attach(wd_handle device, const wd_device_info *info, void *user_data) {
    auto &seen = *static_cast<Notifications *>(user_data);
    seen.vendor = info->vendor_id;
    seen.attached = device;
    seen.api->OsEventSignal(seen.attached_event);
    return 1;
}

void on_detach(wd_handle device, void *user_data) {
    static_cast<Notifications *>(user_data)->detached = device;
}

}  // namespace

void call_toolkit(const char *dll, Report &report) {
    const LoadedDll library(dll, kTable, report);
    if (!library.loaded()) {
        return;
    }
    ToolkitApi wd;
    std::string unresolved;
    std::size_t functions = 0;
#define TB_RESOLVE(name)                                  \
    wd.name = library.get<decltype(wd.name)>(#name);      \
    unresolved += wd.name == nullptr ? " " #name : "";    \
    ++functions;
    WDAPI801_FUNCTIONS(TB_RESOLVE)
#undef TB_RESOLVE
    report.check(unresolved.empty() && functions == std::size(kTable),
                 "every export resolves to its declared type" + unresolved);
    if (!unresolved.empty()) {
        return;
    }

    TB_STACK_CHECKED(report, "wdsim_reset()", wd.wdsim_reset());
    const wdsim_adapter adapter{0x04CC, 0xF297, 0, "1234", nullptr};
    wd_handle plugged = 0;
    TB_STACK_CHECKED(report, "wdsim_plug(&adapter)", plugged = wd.wdsim_plug(&adapter));
    report.check(plugged != 0, "  it returns a handle");
    TB_CALL_EXPECT(report, 1, wd.wdsim_adapter_count());

    Notifications seen;
    seen.api = &wd;
    wd_handle mutex = 0;
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.OsEventCreate(&seen.attached_event));
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.OsMutexCreate(&mutex));
    TB_STACK_CHECKED(report, "OsMutexLock(mutex)", wd.OsMutexLock(mutex));
    TB_STACK_CHECKED(report, "OsMutexUnlock(mutex)", wd.OsMutexUnlock(mutex));

    const wd_match_entry match{0x04CC, 0xF297, 0, 0, 0, 0, 0, 0};
    const wd_event_table events{on_attach, on_detach, nullptr, &seen};
    wd_handle driver = 0;
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.WDU_Init(&driver, &match, 1, &events, 1));
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.OsEventWait(seen.attached_event, 5));
    TB_CALL_EXPECT(report, 1, wd.wdsim_settle(5000));
    report.check(seen.attached == plugged && seen.vendor == 0x04CC,
                 "  the attach handler got the adapter's handle and record");
    const wd_handle device = plugged;

    wd_device_info *info = nullptr;
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.WDU_GetDeviceInfo(device, &info));
    report.check(info != nullptr && info->product_id == 0xF297, "  the record is the adapter's");
    TB_CALL_EXPECT(report, 1, wd.wdsim_open_records());
    TB_STACK_CHECKED(report, "WDU_PutDeviceInfo(info)", wd.WDU_PutDeviceInfo(info));
    TB_CALL_EXPECT(report, 0, wd.wdsim_open_records());

    uint8_t packet[2] = {0x01, 0xF0};
    const uint8_t scripted[1] = {0x17};
    uint8_t reply[1] = {0};
    uint32_t moved = 0;
    TB_STACK_CHECKED(report, "wdsim_queue_reply(device, scripted, 1)",
                     wd.wdsim_queue_reply(device, scripted, 1));
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS,
                   wd.WDU_TransferBulk(device, 0x02, 0, 0, packet, 2, &moved, 1000));
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS,
                   wd.WDU_TransferBulk(device, 0x82, 1, 0, reply, 1, &moved, 1000));
    report.check(moved == 1 && reply[0] == 0x17, "  the scripted reply arrived");
    const uint8_t serial_request[8] = {0x80, 0x06, 0x03, 0x03, 0x09, 0x04, 0x0A, 0x00};
    uint8_t descriptor[10] = {};
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS,
                   wd.WDU_TransferDefaultPipe(device, 1, 0, descriptor, 10, &moved,
                                              serial_request, 1000));
    report.check(moved == 10 && descriptor[2] == '1', "  the serial string descriptor arrived");

    wdsim_transfer entry{};
    TB_CALL_EXPECT(report, 3, wd.wdsim_log_count());
    TB_CALL_EXPECT(report, 1, wd.wdsim_log_entry(0, &entry));
    report.check(entry.pipe == 0x02 && entry.moved == 2, "  the log's first entry is the packet");
    TB_STACK_CHECKED(report, "wdsim_log_clear()", wd.wdsim_log_clear());
    TB_STACK_CHECKED(report, "wdsim_log_enable(0)", wd.wdsim_log_enable(0));
    TB_STACK_CHECKED(report, "wdsim_inject_fault(WDSIM_OP_BULK_OUT, 0, WD_STATUS_STALL, 0)",
                     wd.wdsim_inject_fault(WDSIM_OP_BULK_OUT, 0, WD_STATUS_STALL, 0));
    TB_CALL_EXPECT(report, WD_STATUS_STALL,
                   wd.WDU_TransferBulk(device, 0x02, 0, 0, packet, 2, &moved, 1000));
    TB_CALL_EXPECT(report, 0, wd.wdsim_log_count());
    TB_STACK_CHECKED(report, "wdsim_inject_silence(WDSIM_OP_BULK_OUT, 0)",
                     wd.wdsim_inject_silence(WDSIM_OP_BULK_OUT, 0));
    TB_CALL_EXPECT(report, WD_STATUS_TRANSFER_TIMEOUT,
                   wd.WDU_TransferBulk(device, 0x02, 0, 0, packet, 2, &moved, 10));
    TB_STACK_CHECKED(report, "wdsim_set_hook(nullptr, nullptr)", wd.wdsim_set_hook(nullptr, nullptr));
    TB_STACK_CHECKED(report, "wdsim_log_enable(1)", wd.wdsim_log_enable(1));
    const char *text = nullptr;
    TB_STACK_CHECKED(report, "Stat2Str(WD_STATUS_STALL)", text = wd.Stat2Str(WD_STATUS_STALL));
    report.check(text != nullptr && std::strcmp(text, "Endpoint stalled") == 0,
                 "  Stat2Str names the stall");

    wd_handle bench = 0;
    TB_STACK_CHECKED(report, "wdsim_plug_bench(\"bare\", \"5678\")",
                     bench = wd.wdsim_plug_bench("bare", "5678"));
    report.check(bench != 0, "  it returns a handle");
    // Its attach delivered first: a bench pulled out during its attach would be
    // detached after the adapter below.
    TB_CALL_EXPECT(report, 1, wd.wdsim_settle(5000));
    TB_CALL_EXPECT(report, 2, wd.wdsim_adapter_count());
    TB_CALL_EXPECT(report, 0, wd.wdsim_plug_bench("no such bench", nullptr));
    TB_STACK_CHECKED(report, "wdsim_unplug(bench)", wd.wdsim_unplug(bench));
    TB_STACK_CHECKED(report, "wdsim_unplug(device)", wd.wdsim_unplug(device));
    TB_CALL_EXPECT(report, 1, wd.wdsim_settle(5000));
    report.check(seen.detached == device, "  the detach handler got the adapter's handle");
    TB_STACK_CHECKED(report, "WDU_Uninit(driver)", wd.WDU_Uninit(driver));
    TB_CALL_EXPECT(report, WD_STATUS_SUCCESS, wd.OsEventSignal(seen.attached_event));
    TB_STACK_CHECKED(report, "OsEventClose(event)", wd.OsEventClose(seen.attached_event));
    TB_STACK_CHECKED(report, "OsMutexClose(mutex)", wd.OsMutexClose(mutex));
    TB_STACK_CHECKED(report, "wdsim_reset()", wd.wdsim_reset());
}

}  // namespace wintest
