/*
 * tesslink_sim.h - the HID adapter (USB 04D8:FF5C) emulated inside the calling
 * process, for trying a host program without hardware.
 *
 * libtesslink_sim.so (built in the build tree, never installed) fakes the
 * adapter's hidraw interface with umockdev: /sys/class/hidraw and /dev/hidraw0
 * as libtesslink.so looks for them, answered by the adapter's firmware model
 * with the devices of `tess --sim` on its I2C bus:
 *   - a PMBus power supply at 7-bit address 0x58 (bus form 0xB0): two pages,
 *     MFR_ID "TESSPSU", page 0 12.0 V 5.25 A 41.5 C, page 1 3.3 V 1.5 A 38 C;
 *   - a 256-byte register memory at 7-bit address 0x50 (bus form 0xA0);
 *   - a BME280 sensor at 7-bit address 0x76 (bus form 0xEC): 25.0 C,
 *     1023.55 hPa, 44.83 %RH.
 * The emulated devices keep their state for as long as the emulation runs.
 *
 * umockdev works only in a process that runs under its preload library, which
 * `umockdev-wrapper PROGRAM` puts in place. The emulation must start before
 * anything in the process looks at /sys or /dev (umockdev decides once whether
 * the process is mocked).
 *
 * Starting it without changing the program: preload this library after
 * umockdev's own preload library and set TESSLINK_SIM=demo; the library then
 * starts the emulation before the program's main() and stops it at exit.
 * `tess sim-run PROGRAM [ARGS...]` does all of that (and simulates the bulk
 * adapter too). By hand:
 *   umockdev-wrapper env \
 *     LD_PRELOAD=libumockdev-preload.so.0:/path/to/build/devices/hid_adapter/libtesslink_sim.so \
 *     TESSLINK_SIM=demo ./my_host
 *
 * Threading: the emulation answers the adapter's reports on a thread of its
 * own. Call the two functions from one thread, not while another thread of the
 * process talks to the adapter.
 */
#ifndef TESSLINK_SIM_H
#define TESSLINK_SIM_H

#if defined(__GNUC__)
#define TESSLINK_SIM_API __attribute__((visibility("default")))
#else
#define TESSLINK_SIM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Starts the emulation: from now on libtesslink.so finds the adapter.
 * Returns 1 when the emulation runs (also when it ran already), 0 when it
 * cannot start: the process does not run under umockdev's preload library, or
 * umockdev refused the emulated device. The reason is written to standard
 * error.
 */
TESSLINK_SIM_API int tesslink_sim_start(void);

/*
 * Stops the emulation: the adapter is gone, and the emulated devices forget
 * what was written to them. Does nothing when the emulation does not run.
 */
TESSLINK_SIM_API void tesslink_sim_stop(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSLINK_SIM_H */
