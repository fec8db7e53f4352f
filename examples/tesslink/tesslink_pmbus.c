/*
 * tesslink_pmbus: reads the telemetry of a PMBus power supply through the HID
 * I2C adapter, sets its output voltage and reads it back.
 *
 * Usage: tesslink_pmbus [address]   (8-bit I2C address, default 0xB0)
 */
#include <stdio.h>
#include <stdlib.h>

#include "tesslink.h"

enum {
    PAGE = 0x00,
    VOUT_MODE = 0x20,
    VOUT_COMMAND = 0x21,
    STATUS_WORD = 0x79,
    READ_VOUT = 0x8B,
    READ_IOUT = 0x8C,
    READ_TEMPERATURE_1 = 0x8D,
    MFR_ID = 0x99,
};

/* PMBus linear11: 5-bit signed exponent over an 11-bit signed mantissa. */
static double linear11(unsigned word) {
    int exponent = (int)(word >> 11) & 0x1F;
    int mantissa = (int)(word & 0x7FF);
    if (exponent > 15)
        exponent -= 32;
    if (mantissa > 1023)
        mantissa -= 2048;
    return exponent >= 0 ? (double)mantissa * (double)(1 << exponent)
                         : (double)mantissa / (double)(1 << -exponent);
}

/* PMBus linear16: unsigned mantissa, exponent from VOUT_MODE. */
static double linear16(unsigned word, unsigned char vout_mode) {
    int exponent = vout_mode & 0x1F;
    if (exponent > 15)
        exponent -= 32;
    return exponent >= 0 ? (double)word * (double)(1 << exponent)
                         : (double)word / (double)(1 << -exponent);
}

static int read_word(unsigned char address, unsigned char command, unsigned *word) {
    unsigned char bytes[2];
    unsigned char status = MPUI2CRead(address, 2, bytes, command);
    if (status != TESSLINK_STATUS_OK) {
        fprintf(stderr, "reading command 0x%02X failed with status %u\n", command, status);
        return 0;
    }
    *word = (unsigned)bytes[0] | ((unsigned)bytes[1] << 8);
    return 1;
}

int main(int argc, char **argv) {
    unsigned char address = 0xB0;
    unsigned char page = 0;
    unsigned char mode = 0;
    unsigned char id[17] = {0};
    unsigned vout = 0, iout = 0, temperature = 0, status = 0, readback = 0;
    unsigned char new_vout[2];
    unsigned target;
    unsigned short version;

    if (argc > 1)
        address = (unsigned char)strtoul(argv[1], NULL, 0);

    version = MPUSBGetDeviceVersion();
    if (version == 0) {
        fprintf(stderr, "no HID I2C adapter answered\n");
        return 1;
    }
    printf("adapter firmware 0x%04X, library 0x%04X\n", version, (unsigned)MPUSBGetDLLVersion());
    printf("I2C clock set to %u\n", MPUSetI2CFrequency(400));

    if (MPUI2CWrite(address, 1, &page, PAGE) != TESSLINK_STATUS_OK ||
        MPUI2CRead(address, 1, &mode, VOUT_MODE) != TESSLINK_STATUS_OK ||
        MPUI2CRead(address, 16, id, MFR_ID) != TESSLINK_STATUS_OK || id[0] > 15 ||
        !read_word(address, READ_VOUT, &vout) || !read_word(address, READ_IOUT, &iout) ||
        !read_word(address, READ_TEMPERATURE_1, &temperature) ||
        !read_word(address, STATUS_WORD, &status)) {
        fprintf(stderr, "the power supply at 0x%02X did not answer\n", address);
        return 1;
    }
    id[id[0] + 1] = '\0';
    printf("MFR_ID %s, page %u\n", (const char *)id + 1, page);
    printf("VOUT %.3f V, IOUT %.3f A, temperature %.1f C, STATUS_WORD 0x%04X\n",
           linear16(vout, mode), linear11(iout), linear11(temperature), status);

    /* Set the output to 5.0 V (linear16 with the exponent of VOUT_MODE). */
    target = (unsigned)(5.0 / linear16(1, mode));
    new_vout[0] = (unsigned char)(target & 0xFF);
    new_vout[1] = (unsigned char)(target >> 8);
    if (MPUI2CWrite(address, 2, new_vout, VOUT_COMMAND) != TESSLINK_STATUS_OK ||
        !read_word(address, READ_VOUT, &readback)) {
        fprintf(stderr, "setting VOUT_COMMAND failed\n");
        return 1;
    }
    printf("VOUT_COMMAND set to %.3f V, READ_VOUT now %.3f V\n", linear16(target, mode),
           linear16(readback, mode));
    return readback == target ? 0 : 1;
}
