/*
 * tessbridge.h - host interface of libtessbridge, the driver library for the
 * bulk-endpoint USB adapter that masters an I2C and an SPI bus.
 *
 * Loading
 *   The library opens its driver connection by itself when it is loaded: it
 *   registers the adapters' USB IDs (0x04CC/0xF297 and 0x18E4/0x2000) with the
 *   driver toolkit (libwdapi801), which attaches the adapters present before it
 *   returns, so that all of them are listed with their serial numbers read;
 *   then it selects list position 1. With no adapter present it waits 2 seconds
 *   for a first one. The whole start-up has one 2-second budget: what the
 *   toolkit spends attaching the adapters present (it waits at most 2 seconds
 *   for them) comes off the wait, whose limit is what remains rounded up to
 *   whole seconds; with adapters present there is no further wait.
 *     Linux and other POSIX systems: the start-up runs inside the load (dlopen,
 *     or the program's start for a program linked with the library), so it is
 *     over when the load returns and no call ever waits for it.
 *     Windows: the start-up runs on a thread of its own, which the DLL's load
 *     starts (under the loader lock no thread can run before DllMain returns).
 *     Each function waits for that start-up the first time the process calls
 *     the library: up to the 2-second budget when no adapter is present, as
 *     long as the attaches take with adapters present, and not at all once it
 *     is over. So do not call the library from a DllMain.
 *   Call ShutdownProcedure before unloading the library; unloading alone does
 *   not close the connection.
 *
 * Threading
 *   Every function runs on the caller's thread. The library takes no lock around
 *   a command: a command is a packet out and, where it answers, a reply in, and
 *   commands from several threads can interleave on the wire. Serialise your use
 *   of the library. Plug and unplug notifications arrive on a toolkit thread.
 *
 * Buffers
 *   All buffers belong to the caller, must hold at least the counted bytes, and
 *   are not kept after the call. A null pointer where bytes must be read or
 *   written is refused: nothing is sent and the function returns its null-buffer
 *   value (10 for the I2C and SPI data functions, 255 for GetHardwareInfo, 0 for
 *   GetSerialNumbers), without a message.
 *
 * Status bytes
 *   The I2C functions return the adapter's status byte unchanged (0 = success),
 *   or one of the library's own values:
 *     255  the command did not go out in full, or its reply did not arrive in
 *          full (nothing is copied to the caller's buffer);
 *     10   a count is over the function's limit (a message is shown), negative,
 *          or a buffer is null (no message); nothing is sent.
 *   Every byte of a reply area that the reply did not fill reads as 0xFF, so
 *   no byte ever comes from memory that no reply filled.
 *
 * Messages
 *   Transfer failures and over-limit counts are told to the user as a message
 *   (see SetMessagePresenter). The call continues when the message has been
 *   presented.
 */
#ifndef TESSBRIDGE_H
#define TESSBRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
/* tessbridge.dll exports each function under its name as written here, at a
 * fixed ordinal, from the export table of its .def file (not by dllexport). */
#define TESSBRIDGE_API
#define TESSBRIDGE_CALL __stdcall
#else
#define TESSBRIDGE_API __attribute__((visibility("default")))
#define TESSBRIDGE_CALL
#endif

/* ---- Connection and selection ------------------------------------------ */

/* Closes the driver connection: the toolkit's events and mutex, then the
 * registration. The adapter list and the cached serial numbers stay readable.
 * A second call does nothing.
 *   It waits for no serial-number read: an attach that is reading serial
 *   numbers stops at its next step, and the toolkit ends the read in flight, so
 *   the call returns once that read has been ended (at once with the toolkit's
 *   own implementations) and the list operations in progress (no I/O) are
 *   over, however many adapters are attached. It waits longer only while an
 *   attach is presenting a message, until the user has closed it.
 *   A SelectBySerialNumber running on another thread meanwhile returns 0 at
 *   once and changes nothing; one called afterwards returns 0. */
TESSBRIDGE_API void TESSBRIDGE_CALL ShutdownProcedure(void);

/* Number of attached adapters, or 0 while the serial number cached for list
 * position 1 is 0 (not read yet). */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetNumberOfDevices(void);

/* Selects the adapter whose cached serial number is `serial_number` (the later
 * list position wins when two are equal). Returns 1 when it was selected, 0 when
 * no adapter is attached or none has that serial number; the selection is then
 * left as it was. Serial numbers are the first four characters of the adapter's
 * USB serial string read as a decimal number; an adapter whose string does not
 * start with four decimal digits has the serial number -1. Returns 0 once
 * ShutdownProcedure has begun. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL SelectBySerialNumber(int32_t serial_number);

/* Copies the cached serial numbers of the attached adapters, in list order, to
 * `serial_numbers` (room for 10 entries is always enough: at most 10 are
 * written). Returns the number written; 0, writing nothing, when the first
 * cached serial number is 0 or the array is null. Makes no transfer. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetSerialNumbers(int32_t *serial_numbers);

/* ---- Adapter information and supply outputs ---------------------------- */

/* Writes 3 bytes: the I2C clock in units of 2 kHz (low 8 bits; 0 when the
 * adapter reports a zero period), then the adapter's two hardware information
 * bytes. Returns 0, or 255 when the query did not go out or its 4-byte reply did
 * not arrive in full (the record is then zeroed) or `record` is null. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetHardwareInfo(uint8_t *record);

/* The adapter's firmware revision byte, or 255 when the query did not go out
 * or no reply byte arrived. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GetFirmwareRevision(void);

/* The library version 1.8.1.1 as 0x1811. Makes no transfer. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Get_DLL_Version(void);

/* Switch the 3 V / 5 V supply output on (non-zero) or off (0). Return -1 when
 * the command went out, 0 otherwise. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable3VOutputPower(int32_t on);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable5VOutputPower(int32_t on);

/* ---- IO pins and bus pin modes ----------------------------------------- */

/* Set the general-purpose output to 0 (zero) or 1 (non-zero); 1 when sent, else 0. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Write_IO(int32_t level);
/* The adapter's IO byte (0 to 255), or -1 when the query did not go out or no
 * reply byte arrived. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Read_IO(void);

/* Switch the I2C or SPI function of the adapter on or off; 1 when sent, else 0. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable_I2C(void);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Disable_I2C(void);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Enable_SPI(void);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL Disable_SPI(void);

/* Drive the two I2C lines (bits 0-1) or the four SPI lines (bits 0-3) as plain
 * IO; 1 when sent, else 0. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GPIO_I2C_Write(int32_t lines);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GPIO_SPI_Write(int32_t lines);
/* Read the I2C lines (0 to 3) or the SPI lines (0 to 15); 255 when the query did
 * not go out or no reply byte arrived. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GPIO_I2C_Read(void);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL GPIO_SPI_Read(void);

/* ---- I2C ------------------------------------------------------------------
 * 7-bit device addresses are passed in their 8-bit bus form (address in bits
 * 7-1); the library clears bit 0 for a write and sets it for a read. 10-bit
 * addresses (I2C10*) are passed as 0 to 1023 and encoded as the I2C-bus
 * specification defines; higher bits are ignored.
 *
 * A null buffer is refused (10, nothing sent, no message) only when the count
 * says bytes must move; with a count of 0 it is never touched. The counts of
 * I2C10ReadArray and I2C10WriteArray are signed: a negative count is out of
 * range like one over 256 (the limit message, 10, nothing sent). */

/* Bus clock: SetI2CFrequency takes kHz (at most 15 gives the slowest clock, more
 * than 1000 the fastest) and returns the resulting clock in Hz, 0 when not sent.
 * GetI2CFrequency returns the adapter's clock in kHz, 0 when it cannot tell:
 * the query did not go out, the two divider bytes of the reply did not arrive,
 * or they describe a zero period. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL SetI2CFrequency(int32_t khz);
TESSBRIDGE_API int32_t TESSBRIDGE_CALL GetI2CFrequency(void);

/* Single bytes. The reads store a data byte on every call: 0xFF when none
 * arrived (the status is then 255, or 10 for a null pointer, nothing stored). */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteByte(uint8_t address, uint8_t reg, uint8_t data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CSendByte(uint8_t address, uint8_t data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReceiveByte(uint8_t address, uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadByte(uint8_t address, uint8_t reg, uint8_t *data);

/* Register reads of 0 to 256 bytes (write sub-address, repeated start, read).
 * The data reach `buffer` only when the whole reply arrived; the result is then
 * the adapter's status, else 255 with the buffer untouched. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadArray(uint8_t address, uint8_t reg, uint16_t count,
                                                    uint8_t *buffer);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CReadArrayDB(uint8_t address, uint8_t sub_high,
                                                      uint8_t sub_low, uint16_t count,
                                                      uint8_t *buffer);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2C10ReadArray(uint16_t address, uint8_t reg,
                                                      int32_t count, uint8_t *buffer);

/* Plain read of 0 to 65535 bytes in commands of at most 500 bytes; `end` non-zero
 * ends the transaction with the last command, zero leaves it open. The last
 * command carries `end` also when the count is a whole multiple of 500. Returns
 * the status of the last command; a command whose packet or reply did not get
 * through in full stops the read with 255, and the bytes of earlier commands
 * stay in `buffer`. A count of 0 sends nothing and returns 0. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CRead(uint8_t address, uint16_t count, uint8_t *buffer,
                                               int32_t end);

/* Writes: plain (1 to 500 bytes; 0 sends nothing and returns 0), with a register
 * byte (0 to 500), with a two-byte sub-address (0 to 256), to a 10-bit device
 * (0 to 256), and write + repeated start + write (500 bytes in all). Each is
 * one command; the result is the first reply byte, the adapter's status (255
 * when the packet did not go out in full or no reply byte arrived). */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWrite(uint8_t address, uint16_t count,
                                                const uint8_t *data, int32_t end);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteArray(uint8_t address, uint8_t reg, uint16_t count,
                                                     const uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteArrayDB(uint8_t address, uint8_t sub_high,
                                                       uint8_t sub_low, uint16_t count,
                                                       const uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2C10WriteArray(uint16_t address, uint8_t reg,
                                                       int32_t count, const uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL I2CWriteRepWrite(uint8_t first_address,
                                                        uint16_t first_count,
                                                        const uint8_t *first_data,
                                                        uint8_t second_address,
                                                        uint16_t second_count,
                                                        const uint8_t *second_data);

/* ---- SPI ------------------------------------------------------------------ */

/* Mode: bits 0-1 the SPI mode number, bit 4 the adapter's option bit. 0 when
 * sent, 255 otherwise. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Configure(uint32_t config);
/* Selects 4000, 1000, 250 or 125 kHz (the highest not above the request; 125
 * for any request below 250) and returns it; 255 when not sent. */
TESSBRIDGE_API int32_t TESSBRIDGE_CALL SPI_SetFrequency(uint32_t khz);

/* Data transfers of at most 500 bytes each way (10 and a message above that;
 * 10 without a message for a null buffer where bytes are needed). Bytes read
 * reach `read_data` only when the whole reply arrived.
 *   SPI_Generic:     full duplex; returns the first byte read back (the block
 *                    count, 1, when count is 0), 255 when not sent or the reply
 *                    did not arrive in full.
 *   SPI_Write:       returns the number of reply bytes that arrived (1, or 0
 *                    when none came), 255 when not sent.
 *   SPI_WriteWithOC: the first byte stands outside the length field; 0 once
 *                    sent, whether or not the adapter answered; 255 when not sent.
 *   SPI_WriteRead:   write, then read; 0 when the full reply was copied, 255
 *                    otherwise. */
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Generic(uint16_t count, const uint8_t *write_data,
                                                   uint8_t *read_data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_Write(uint16_t count, const uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_WriteWithOC(uint16_t count, const uint8_t *data);
TESSBRIDGE_API uint8_t TESSBRIDGE_CALL SPI_WriteRead(uint16_t write_count, uint16_t read_count,
                                                     const uint8_t *write_data,
                                                     uint8_t *read_data);

/* ---- Extension: message presentation ------------------------------------ */

/* A presenter shows one message to the user and returns when the user has seen
 * it. `text` is zero-terminated; line breaks are carriage returns ('\r'). */
typedef void (*tessbridge_message_presenter)(const char *text, void *context);

/* Installs the presenter for every later message, on every thread; null restores
 * the platform's own (a message box on Windows, standard error elsewhere, where
 * each '\r' becomes a line break). Messages raised while the library loads use
 * the platform's presenter. */
TESSBRIDGE_API void TESSBRIDGE_CALL SetMessagePresenter(tessbridge_message_presenter presenter,
                                                        void *context);

#ifdef __cplusplus
}
#endif

#endif /* TESSBRIDGE_H */
