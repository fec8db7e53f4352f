/*
 * tesslink.h - host library for the HID I2C adapter (USB 04D8:FF5C).
 *
 * Every function is a plain C call with scalar arguments and caller-owned
 * buffers. The library keeps no state between calls: each transfer finds the
 * adapter among the system's HID interfaces, opens it, moves one HID report and
 * closes it again. The one exception, on Linux, is a write still pending after
 * 1000 ms: it keeps its handle open until it completes in the background, and
 * closes it then.
 *
 * Calling convention: the MPU functions are __cdecl on Windows (TESSLINK_CALL),
 * the platform's default C convention elsewhere. The Java natives of the PMBus
 * class use JNICALL (__stdcall on 32-bit Windows) and are not declared here.
 *
 * Ownership and lifetime: the caller owns every buffer it passes; the library
 * reads or writes it only during the call and keeps no pointer afterwards. No
 * memory is allocated for the caller.
 *
 * Threading: every function runs on the caller's thread and blocks it for the
 * length of its transfers. No lock is taken; calls made from several threads at
 * once interleave their reports on the adapter, so callers serialise their use
 * of the adapter.
 *
 * Waiting: each reply is awaited for at most 1000 ms; a reply shorter than the
 * adapter's declared input report does not count as one. Sending a report
 * never holds the caller for more than about 1000 ms either; a write the kernel
 * has not finished by then completes in the background (and counts as sent),
 * and one that cannot be handed to the library's writer thread is not made
 * (and counts as not sent). On Windows a write not finished after 1000 ms is
 * cancelled instead, and counts as not sent unless it completed first.
 *
 * An adapter that stops taking reports (Linux; on Windows the cancel ends the
 * write, and the next command is tried as usual): the command whose report it
 * does not take counts as sent and gets no reply (255, or 0 from the value
 * functions), after its waits of 1000 ms (one for the write, one for the reply). Its write
 * stays in the kernel until the adapter takes the report or the kernel gives
 * up (on Linux, usbhid waits up to 5 seconds). While it is there, every later
 * command is not sent and fails at once, as when the adapter is not found,
 * without opening the adapter: on Linux an open or a close of any hidraw node
 * waits for such a write, so the library opens none meanwhile and closes its
 * handles once the write has returned. What no program can cancel stays: the
 * write itself (a signal does not interrupt it and closing the handle does not
 * end it); a process that exits meanwhile ends only when it returns; and a
 * write of another process that is stuck in the same way makes this library's
 * opens and closes of hidraw nodes wait up to the kernel's limit.
 *
 * Addresses: every I2C device address is the 8-bit bus form, the 7-bit address
 * shifted left by one (7-bit 0x58 is passed as 0xB0, 0x50 as 0xA0). The library
 * hands it to the adapter unchanged: no bit is masked or shifted.
 *
 * Scalar widths: addresses, command codes and start registers use 8 bits;
 * lengths, counts and clock values use only the low 16 bits of the value passed
 * (65536 + 5 acts as 5).
 *
 * Results of the I2C functions (a status byte):
 *   0        the adapter reported success
 *   129      a length or count is out of range; nothing was sent
 *   255      nothing was answered: the adapter was not found (nothing sent),
 *            or the command was sent but no reply came within 1000 ms
 *   other    the adapter's own status, passed through unchanged
 * Any failure leaves the caller's buffer as described per function.
 */
#ifndef TESSLINK_H
#define TESSLINK_H

/* The MPU functions' calling convention: __cdecl on Windows (see above). */
#ifdef _WIN32
#define TESSLINK_CALL __cdecl
#else
#define TESSLINK_CALL
#endif

#if defined(__GNUC__)
#define TESSLINK_API __attribute__((visibility("default")))
#else
#define TESSLINK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status byte values produced by the library itself. */
#define TESSLINK_STATUS_OK 0
#define TESSLINK_STATUS_BAD_LENGTH 129
#define TESSLINK_STATUS_NO_ANSWER 255

/* Returned by MPUSBGetDLLVersion. */
#define TESSLINK_DLL_VERSION 0x0408

/*
 * Reads `length` (1 to 60) bytes from register `command` of the I2C device
 * `address` (8-bit bus form, see above).
 * `data` must hold at least `length` bytes; it is written only when the result
 * is 0, otherwise it is left unchanged.
 * Result: status byte (see above).
 */
TESSLINK_API unsigned char TESSLINK_CALL MPUI2CRead(unsigned char address, unsigned int length,
                                                    unsigned char *data, unsigned char command);

/*
 * Writes `length` bytes of `data` to register `command` of the I2C device
 * `address`. The command report carries six header bytes before the data, so
 * the longest write is the adapter's declared output report length (report-ID
 * byte included) less six: 59 bytes with 64 bytes after the report ID, 58 when
 * the whole report is 64 bytes, and never more than 60. A longer length,
 * like 0, gives 129 and nothing is sent: the adapter never receives more than
 * its report length and no data byte is silently dropped.
 * `data` is only read. Result: status byte.
 */
TESSLINK_API unsigned char TESSLINK_CALL MPUI2CWrite(unsigned char address, unsigned int length,
                                                     const unsigned char *data,
                                                     unsigned char command);

/*
 * Reads `count` (1 to 256) bytes starting at register `start_register`, in
 * chunks of at most 48 bytes; each later chunk starts at the start register
 * plus the bytes already read, modulo 256.
 * The transfer stops at the first chunk that fails (adapter not found, no
 * reply, or a status other than 0) and returns that failure. The bytes of the
 * chunks read before it stay in `data`; nothing beyond them is written.
 * Result: 0 only when every chunk succeeded, otherwise the failing chunk's
 * status byte.
 */
TESSLINK_API unsigned char TESSLINK_CALL MPUI2CReadArray(unsigned char address,
                                                         unsigned char start_register,
                                                         unsigned int count, unsigned char *data);

/*
 * Writes `count` (1 to 256) bytes from `data` starting at register
 * `start_register`, in chunks of at most 48 bytes, stopping at the first chunk
 * that fails (as for MPUI2CReadArray). `data` is only read.
 * Result: 0 only when every chunk succeeded, otherwise the failing chunk's
 * status byte.
 */
TESSLINK_API unsigned char TESSLINK_CALL MPUI2CWriteArray(unsigned char address,
                                                          unsigned char start_register,
                                                          unsigned int count,
                                                          const unsigned char *data);

/*
 * Sets the adapter's I2C clock to the low 16 bits of `value` (unit as the
 * adapter's firmware defines it). Result: the setting the adapter reports
 * back, or 0 on failure (adapter not found, no reply, reply without echo).
 */
TESSLINK_API unsigned short TESSLINK_CALL MPUSetI2CFrequency(unsigned int value);

/* Result: the adapter's I2C clock setting, or 0 on failure. */
TESSLINK_API unsigned short TESSLINK_CALL MPUGetI2CFrequency(void);

/* Result: the adapter's firmware version, or 0 on failure. */
TESSLINK_API unsigned short TESSLINK_CALL MPUSBGetDeviceVersion(void);

/*
 * Flashes the adapter's LED.
 * Result: 0 when the adapter acknowledged it; 255 when the adapter was not
 * found, did not answer within 1000 ms, or answered without the echo.
 */
TESSLINK_API unsigned short TESSLINK_CALL MPUSBFlashLED(void);

/*
 * Sends the reset command; no reply is awaited.
 * Result: 255 when the command was sent (this is the success value), 0 when
 * the adapter was not found or the report could not be sent.
 */
TESSLINK_API unsigned char TESSLINK_CALL MPUReset(void);

/* Result: the library version, always 0x0408 (1032). Touches no device. */
TESSLINK_API int TESSLINK_CALL MPUSBGetDLLVersion(void);

#ifdef __cplusplus
}
#endif

#endif /* TESSLINK_H */
