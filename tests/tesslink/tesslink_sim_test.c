/*
 * libtesslink_sim from a C host: started, the emulated adapter answers
 * libtesslink with the demo board; stopped and started again, the board is
 * fresh. With --without-umockdev (run without umockdev-wrapper) the start must
 * be refused, with the reason on standard error. Exits 0 when every check holds.
 */
#include <stdio.h>
#include <string.h>

#include "tesslink.h"
#include "tesslink_sim.h"

enum { PSU = 0xB0, MEMORY = 0xA0, READ_VOUT = 0x8B, CELL = 0x10 };

static int failures = 0;

static void check(int ok, const char *what) {
    if (!ok) {
        ++failures;
        printf("FAIL: %s\n", what);
    }
}

static int memory_cell(void) {
    unsigned char byte = 0;
    return MPUI2CRead(MEMORY, 1, &byte, CELL) == TESSLINK_STATUS_OK ? byte : -1;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "--without-umockdev") == 0) {
        check(tesslink_sim_start() == 0, "start refused outside umockdev");
        return failures == 0 ? 0 : 1;
    }

    check(tesslink_sim_start() == 1, "start");
    check(tesslink_sim_start() == 1, "start while running");
    check(MPUSBGetDeviceVersion() == 0x0105, "the emulated adapter's firmware version");

    unsigned char vout[2] = {0, 0};
    check(MPUI2CRead(PSU, 2, vout, READ_VOUT) == TESSLINK_STATUS_OK, "READ_VOUT read");
    check(vout[0] == 0x00 && vout[1] == 0x18, "READ_VOUT is 12 V (0x1800)");

    const unsigned char x = 'x';
    check(MPUI2CWrite(MEMORY, 1, &x, CELL) == TESSLINK_STATUS_OK, "memory write");
    check(memory_cell() == 'x', "the memory keeps what was written");

    tesslink_sim_stop();
    tesslink_sim_stop(); /* nothing to stop: no effect */
    check(tesslink_sim_start() == 1, "start after stop");
    check(memory_cell() == CELL, "a new emulation has a fresh memory");
    tesslink_sim_stop();

    printf(failures == 0 ? "tesslink_sim: all checks passed\n" : "tesslink_sim: %d failure(s)\n",
           failures);
    return failures == 0 ? 0 : 1;
}
