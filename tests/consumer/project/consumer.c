/* A host program of a user: linked against libtessbridge only, in C.
 *
 *   consumer                     prints the library version
 *   consumer SERIAL REVISION     also expects exactly one adapter with that
 *                                serial number and firmware revision
 * Exits with 0 when everything was as expected. */
#include <tessbridge.h>
#include <wdapi801.h> /* installed beside it; must compile as C as well */

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    const int32_t version = Get_DLL_Version();
    printf("libtessbridge version 0x%X (toolkit wait time-out status 0x%X)\n", (unsigned)version,
           (unsigned)WD_STATUS_WAIT_TIMEOUT);
    if (version != 0x1811) {
        return 1;
    }
    if (argc < 3) {
        return 0;
    }
    const int32_t expected_serial = (int32_t)strtol(argv[1], NULL, 10);
    const unsigned expected_revision = (unsigned)strtoul(argv[2], NULL, 0);

    int32_t serials[10] = {0};
    const int32_t count = GetSerialNumbers(serials);
    const uint8_t revision = GetFirmwareRevision();
    printf("adapters: %d, first serial number: %d, firmware revision: 0x%X\n", (int)count,
           (int)serials[0], (unsigned)revision);
    ShutdownProcedure();
    return count == 1 && serials[0] == expected_serial && revision == expected_revision ? 0 : 1;
}
