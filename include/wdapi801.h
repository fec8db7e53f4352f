/*
 * wdapi801.h - the USB driver toolkit interface that Tessbridge is built on.
 *
 * Any library built against this header and installed as libwdapi801.so can
 * replace another at load time. Two implementations ship with the project:
 *   - toolkit/libusb: real adapters through libusb-1.0 (the one users install);
 *   - toolkit/sim:    simulated adapters for tests and demos (see wdapi801_sim.h).
 *
 * Contract common to every function
 *   - All handles are opaque 32-bit values; 0 means none. A toolkit maps them to
 *     its objects through a table, so a stale handle (a device already detached,
 *     an event already closed) is answered with WD_STATUS_INVALID_HANDLE and never
 *     followed into freed memory. Functions without a status ignore stale handles.
 *   - No function throws, and none keeps a pointer passed to it after it returns,
 *     except WDU_Init, which keeps a copy of the event table's values.
 *   - Every function may be called from any thread.
 */
#ifndef WDAPI801_H
#define WDAPI801_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
/* wdapi801.dll exports the names undecorated from the export table of its .def
 * file. Every function and handler here uses the C calling convention
 * (__cdecl on 32-bit Windows), the compilers' default. */
#define WDAPI801_EXPORT
#else
#define WDAPI801_EXPORT __attribute__((visibility("default")))
#endif

typedef uint32_t wd_status; /* 0 success; 0x20000015 the time-out of OsEventWait */
typedef uint32_t wd_handle; /* opaque; 0 means none (driver, device, event and mutex handles) */

/* Status values. 0 and WD_STATUS_WAIT_TIMEOUT are fixed by the interface; the
 * others are this toolkit family's own. Stat2Str gives a text for each, and a
 * generic text for any other value. */
#define WD_STATUS_SUCCESS 0x00000000u
#define WD_STATUS_WAIT_TIMEOUT 0x20000015u      /* OsEventWait: the limit passed */
#define WD_STATUS_INVALID_HANDLE 0x20000001u    /* handle unknown, closed or of another kind */
#define WD_STATUS_INVALID_PARAMETER 0x20000002u /* null pointer, bad count or argument */
#define WD_STATUS_NO_RESOURCES 0x20000003u      /* memory, threads or OS objects exhausted */
#define WD_STATUS_DEVICE_GONE 0x20000004u       /* the device was pulled out */
#define WD_STATUS_TRANSFER_TIMEOUT 0x20000005u  /* a transfer did not finish in its limit */
#define WD_STATUS_STALL 0x20000006u             /* the endpoint answered with a stall */
#define WD_STATUS_OVERFLOW 0x20000007u          /* the device sent more than was asked */
#define WD_STATUS_IO_ERROR 0x20000008u          /* any other transfer failure */
#define WD_STATUS_ACCESS_DENIED 0x20000009u     /* no permission to open the device */
#define WD_STATUS_NOT_SUPPORTED 0x2000000Au     /* not available on this system */
#define WD_STATUS_BUSY 0x2000000Bu              /* the device or interface is held elsewhere */
#define WD_STATUS_ALREADY_INITIALIZED 0x2000000Cu /* WDU_Init on an active registration */

typedef struct wd_match_entry { /* 10 bytes, packed as listed */
    uint16_t vendor_id, product_id;
    uint8_t device_class, device_subclass, interface_class, interface_subclass,
        interface_protocol, filler;
} wd_match_entry;

typedef struct wd_device_info {  /* what the library reads of a device */
    uint16_t vendor_id, product_id; /* from the device descriptor */
    uint8_t interface_number;       /* first interface, active alternate setting */
} wd_device_info;

typedef int (*wd_attach_handler)(wd_handle device, const wd_device_info *info, void *user_data);
typedef void (*wd_detach_handler)(wd_handle device, void *user_data);
typedef void (*wd_power_handler)(wd_handle device, uint32_t power_state, void *user_data);

typedef struct wd_event_table {
    wd_attach_handler on_attach;
    wd_detach_handler on_detach;
    wd_power_handler on_power_change; /* may be null */
    void *user_data;
} wd_event_table;

/* Registers the match entries and the handlers. From then on the toolkit calls
 * on_attach, on a notification thread of its own (never the caller's), once for
 * each matching device present or plugged in later, and on_detach for each
 * accepted device pulled out. A zero vendor or product ID matches anything.
 * A device handle is valid from its attach notification until its detach
 * handler returns; a device whose attach handler returned 0 gets no detach.
 * How soon a plug or unplug is reported depends on the system: at once where
 * libusb has hotplug (Linux); on Windows the libusb toolkit enumerates the
 * devices every 500 ms.
 * `options` is reserved and ignored. One registration at a time: a second, or
 * a call from inside a handler, answers WD_STATUS_ALREADY_INITIALIZED.
 * Writes *driver on success.
 *
 * Devices present at the call: WDU_Init returns only after their attach
 * notifications have been delivered, each on_attach having returned (on the
 * notification thread), so the caller finds them all attached. It waits for
 * that at most 2 seconds: a handler that cannot progress while the caller
 * holds something (a loader lock around a library's load-time code) never
 * deadlocks the two; those deliveries then go on after WDU_Init has returned.
 * With no matching device present it returns without waiting. */
WDAPI801_EXPORT wd_status WDU_Init(wd_handle *driver, const wd_match_entry *matches,
                                   uint32_t match_count, const wd_event_table *events,
                                   uint32_t options);

/* Stops notifications, ends the transfers in flight on the registration's
 * devices (they fail with WD_STATUS_INVALID_HANDLE), waits for a handler that
 * is running, releases every device (no detach notifications follow). A second
 * call, a call with a stale handle, or a call from inside a handler does
 * nothing. */
WDAPI801_EXPORT void WDU_Uninit(wd_handle driver);

/* Fetches the information record of a device; valid until WDU_PutDeviceInfo. */
WDAPI801_EXPORT wd_status WDU_GetDeviceInfo(wd_handle device, wd_device_info **info);
WDAPI801_EXPORT void WDU_PutDeviceInfo(wd_device_info *info);

/* One bulk transfer on the endpoint whose address is `pipe` (0x02 OUT, 0x82 IN),
 * reading when is_read is non-zero, within timeout_ms (0: no limit). The number of
 * bytes moved is written to *transferred (when not null) also on failure. */
WDAPI801_EXPORT wd_status WDU_TransferBulk(wd_handle device, uint32_t pipe, uint32_t is_read,
                                           uint32_t options, void *buffer, uint32_t length,
                                           uint32_t *transferred, uint32_t timeout_ms);

/* One control transfer on the default pipe from the 8-byte setup packet; the
 * data stage moves at most `length` bytes. Count as for WDU_TransferBulk. */
WDAPI801_EXPORT wd_status WDU_TransferDefaultPipe(wd_handle device, uint32_t is_read,
                                                  uint32_t options, void *buffer, uint32_t length,
                                                  uint32_t *transferred,
                                                  const uint8_t setup_packet[8],
                                                  uint32_t timeout_ms);

/* A zero-terminated, static English text for any status value; never null. */
WDAPI801_EXPORT const char *Stat2Str(wd_status status);

/* Events: created not signalled; a signal wakes one wait begun before or after
 * it (auto-reset). OsEventWait returns 0 when signalled and
 * WD_STATUS_WAIT_TIMEOUT when timeout_seconds passed; -1 waits without limit.
 * OsEventClose ends every wait on the event at once: those OsEventWait calls
 * return WD_STATUS_INVALID_HANDLE, as every later call with the handle does. */
WDAPI801_EXPORT wd_status OsEventCreate(wd_handle *event);
WDAPI801_EXPORT void OsEventClose(wd_handle event);
WDAPI801_EXPORT wd_status OsEventSignal(wd_handle event);
WDAPI801_EXPORT wd_status OsEventWait(wd_handle event, int32_t timeout_seconds); /* -1: no limit */

/* Mutexes are re-entrant for their holder. Lock and unlock of a stale handle
 * return at once and do nothing.
 *
 * Closing a mutex that a thread holds or waits for: OsMutexClose ends every
 * wait for it at once, and those OsMutexLock calls return without the mutex;
 * the holder's later OsMutexUnlock does nothing. OsMutexLock has no status, so
 * a caller that may race a close learns of it from its own state, not from the
 * toolkit: it records that it is closing before it calls OsMutexClose, and
 * reads that record after each OsMutexLock returns. (Tessbridge sets its
 * connection's closed flag first; a lock that returns to find it set counts
 * as failed, and the export returns its failure value without touching the
 * adapter list. Should the lock have been granted just before the close, the
 * caller's OsMutexUnlock gives it back; on a closed mutex it does nothing.) */
WDAPI801_EXPORT wd_status OsMutexCreate(wd_handle *mutex); /* re-entrant for its holder */
WDAPI801_EXPORT void OsMutexClose(wd_handle mutex);
WDAPI801_EXPORT void OsMutexLock(wd_handle mutex);
WDAPI801_EXPORT void OsMutexUnlock(wd_handle mutex);

#ifdef __cplusplus
}
#endif

#endif /* WDAPI801_H */
