/*
 * wdapi801_sim.h - control interface of the simulated driver toolkit.
 *
 * The simulated libwdapi801.so (toolkit/sim) implements wdapi801.h over virtual
 * adapters instead of USB. A test, a demo or a tool plugs adapters in and pulls
 * them out at any time, decides what each adapter answers (scripted replies or a
 * device model), injects faults, and reads a log of every transfer with its
 * bytes. Notifications reach the registered handlers on a thread of the
 * toolkit's own, as with the real toolkit.
 *
 * Everything here is plain C and may be called from any thread, but never from
 * inside a model callback (models are called without the toolkit's lock held,
 * and must not call back into it).
 */
#ifndef WDAPI801_SIM_H
#define WDAPI801_SIM_H

#include <stdint.h>

#include "wdapi801.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What an adapter answers. Called for every transfer on the device, on the
 * thread that makes the transfer. Set *moved to the bytes moved and return the
 * transfer's status (WD_STATUS_SUCCESS, WD_STATUS_TRANSFER_TIMEOUT, ...).
 *   bulk:    required. For OUT (is_read 0) read `length` bytes from data; for
 *            IN fill at most `length` bytes of data.
 *   control: optional (null: the toolkit answers GET_DESCRIPTOR requests from
 *            the adapter's serial string itself). */
typedef struct wdsim_model {
    void *context;
    wd_status (*bulk)(void *context, uint32_t pipe, uint32_t is_read, uint8_t *data,
                      uint32_t length, uint32_t *moved);
    wd_status (*control)(void *context, const uint8_t setup[8], uint8_t *data, uint32_t length,
                         uint32_t *moved);
} wdsim_model;

typedef struct wdsim_adapter {
    uint16_t vendor_id, product_id;
    uint8_t interface_number;
    const char *serial;        /* ASCII; its string descriptor is index 3, language 0x0409 */
    const wdsim_model *model;  /* null: scripted replies (wdsim_queue_reply); copied */
} wdsim_adapter;

/* Plugs an adapter in and returns its device handle (0 when out of memory or
 * when a model lacks its bulk callback). The handle is what the attach handler
 * receives; it turns stale when the detach handler for it returns. A driver registered with WDU_Init is notified on the
 * toolkit's thread when the IDs match; adapters plugged before WDU_Init are
 * reported by WDU_Init (after WDU_Uninit and a new WDU_Init, under the handles
 * they had). */
WDAPI801_EXPORT wd_handle wdsim_plug(const wdsim_adapter *adapter);

/* Pulls the adapter out: its transfers fail with WD_STATUS_DEVICE_GONE at once,
 * and the driver gets its detach notification. Unknown handles are ignored. */
WDAPI801_EXPORT void wdsim_unplug(wd_handle device);

/* Waits until every queued notification has been delivered and its handler has
 * returned. Returns 1, or 0 when that did not happen within timeout_ms. */
WDAPI801_EXPORT int wdsim_settle(uint32_t timeout_ms);

/* Pulls every adapter out without notifications and clears replies, faults and
 * the log. Call only while no driver is registered. */
WDAPI801_EXPORT void wdsim_reset(void);

/* Number of adapters plugged in (whether or not a driver accepted them). */
WDAPI801_EXPORT uint32_t wdsim_adapter_count(void);

/* Device information records fetched and not yet released. */
WDAPI801_EXPORT uint32_t wdsim_open_records(void);

/* ---- Benches of device models --------------------------------------------- */

/* Plugs an adapter (04CC:F297, serial `serial`, "1234" when null) whose replies
 * come from the bulk adapter's firmware model with the devices of the named
 * bench on its buses, and returns its handle (0 for an unknown name):
 *   "demo"  24C02 EEPROM at 0x50, 24C256 EEPROM at 0x54, a register device at
 *           10-bit address 0x2A5, an LM75-like temperature sensor at 0x48, a
 *           BME280 sensor at 0x76, an SPI NOR flash (the devices of `tess --sim`);
 *   "bare"  the firmware alone, nothing on its buses.
 * The model lives until wdsim_reset. Pull the adapter out with wdsim_unplug.
 *
 * WDSIM_BENCH: a host program that cannot call this interface gets the same
 * adapters from the environment. When the first driver registers (WDU_Init),
 * the toolkit plugs every bench the variable lists, before the adapters
 * present are reported, so a library's start-up finds them at once:
 *   WDSIM_BENCH=demo                 one demo adapter, serial 1234
 *   WDSIM_BENCH=demo:1234,bare:5678  two adapters
 * A name it cannot plug is told on standard error and skipped. */
WDAPI801_EXPORT wd_handle wdsim_plug_bench(const char *bench, const char *serial);

/* ---- Scripted replies ---------------------------------------------------- */

/* For an adapter without a model: each bulk IN transfer takes the oldest queued
 * reply (at most the length asked; the rest of that reply is dropped). With no
 * reply queued, the IN transfer times out (WD_STATUS_TRANSFER_TIMEOUT, 0 bytes)
 * at once. Bulk OUT transfers are accepted whole. */
WDAPI801_EXPORT void wdsim_queue_reply(wd_handle device, const uint8_t *data, uint32_t length);

/* ---- Faults ------------------------------------------------------------------ */

typedef enum wdsim_op {
    WDSIM_OP_BULK_OUT,        /* WDU_TransferBulk, write */
    WDSIM_OP_BULK_IN,         /* WDU_TransferBulk, read */
    WDSIM_OP_CONTROL,         /* WDU_TransferDefaultPipe */
    WDSIM_OP_GET_DEVICE_INFO, /* WDU_GetDeviceInfo (moved is not used) */
    WDSIM_OP_EVENT_CREATE,    /* OsEventCreate (moved is not used) */
    WDSIM_OP_MUTEX_CREATE,    /* OsMutexCreate (moved is not used) */
    WDSIM_OP_INIT,            /* WDU_Init (moved is not used) */
    WDSIM_OP_EVENT_WAIT       /* OsEventWait (moved is not used) */
} wdsim_op;

/* After `skip` more calls of `op` have run normally, the next call fails with
 * `status` and reports `moved` bytes (at most the length asked; for a transfer
 * the bytes are really moved, so a short OUT reaches the model cut short). A
 * status of WD_STATUS_SUCCESS with a short `moved` makes a short transfer. Each
 * injected fault fires once; several queue up per operation in order. */
WDAPI801_EXPORT void wdsim_inject_fault(wdsim_op op, uint32_t skip, wd_status status, uint32_t moved);

/* A transfer that gets no answer, like one to an adapter that has stopped
 * responding: after `skip` more calls of `op` have run normally, the next call
 * waits until its time limit passes (WD_STATUS_TRANSFER_TIMEOUT; a limit of 0
 * waits without limit), its adapter is pulled out (WD_STATUS_DEVICE_GONE) or
 * WDU_Uninit ends it (WD_STATUS_INVALID_HANDLE), as a real toolkit ends the
 * transfers in flight when the registration stops. It moves no byte. For the
 * transfer operations only (WDSIM_OP_BULK_OUT, WDSIM_OP_BULK_IN,
 * WDSIM_OP_CONTROL); it queues up with the faults of wdsim_inject_fault. */
WDAPI801_EXPORT void wdsim_inject_silence(wdsim_op op, uint32_t skip);

/* ---- Hooks: forcing an interleaving ---------------------------------------------- */

typedef enum wdsim_point {
    WDSIM_POINT_MUTEX_WAIT,    /* OsMutexLock found the mutex held by another thread and
                                  is about to wait for it; value 0 */
    WDSIM_POINT_MUTEX_TAKEN,   /* OsMutexLock took the mutex (not on re-entry); value 0 */
    WDSIM_POINT_EVENT_WAIT,    /* OsEventWait found the event not signalled and is about
                                  to wait; value: its limit in seconds (-1: none) */
    WDSIM_POINT_TRANSFER_WAIT, /* a transfer made silent by wdsim_inject_silence is about
                                  to wait; handle: the device; value: its limit in ms */
    WDSIM_POINT_INIT_WAIT      /* WDU_Init is about to wait for the attach notifications
                                  of the adapters present; handle 0; value: how many */
} wdsim_point;

/* Called on the thread that reaches the point, with the handle of the object.
 *   At the *_WAIT points the toolkit holds the lock that the thread gives up as it
 *   starts waiting, so whatever another thread does once the hook has returned
 *   (an unlock, a signal, a close, an unplug, WDU_Uninit) finds this thread
 *   waiting. The hook must return promptly and call nothing of the toolkit; it
 *   may tell the test's own threads (set a flag, notify a condition variable).
 *   At WDSIM_POINT_MUTEX_TAKEN no lock of the toolkit is held: the hook may block,
 *   keeping the thread inside the mutex until the test lets it go on. */
typedef void (*wdsim_hook)(wdsim_point point, wd_handle handle, int32_t value, void *context);

/* Installs `hook` for every later point on every thread (null: none). A hook
 * already running on another thread may still finish with the old one. */
WDAPI801_EXPORT void wdsim_set_hook(wdsim_hook hook, void *context);

/* ---- Transfer log ------------------------------------------------------------ */

typedef enum wdsim_kind { WDSIM_BULK = 0, WDSIM_CONTROL = 1 } wdsim_kind;

typedef struct wdsim_transfer {
    wd_handle device;
    wdsim_kind kind;
    uint32_t pipe;       /* endpoint address; 0 for control transfers */
    uint32_t is_read;
    uint32_t requested;  /* length asked */
    uint32_t moved;      /* bytes moved, as reported to the caller */
    wd_status status;
    uint32_t timeout_ms;
    uint8_t setup[8];    /* control transfers only */
    const uint8_t *data; /* the bytes moved (OUT: sent, IN: received); valid until
                            wdsim_log_clear or wdsim_reset */
} wdsim_transfer;

WDAPI801_EXPORT uint32_t wdsim_log_count(void);
/* Copies entry `index` (0 the oldest); returns 0 when there is no such entry. */
WDAPI801_EXPORT int wdsim_log_entry(uint32_t index, wdsim_transfer *entry);
WDAPI801_EXPORT void wdsim_log_clear(void);
/* Switches the log on (non-zero, the default) or off. While it is off no
 * transfer is recorded, so long runs (benchmarks) neither grow the log nor pay
 * for copying every transfer's bytes. wdsim_reset does not change it. */
WDAPI801_EXPORT void wdsim_log_enable(int enabled);

#ifdef __cplusplus
}
#endif

#endif /* WDAPI801_SIM_H */
