/*
 * temperature: reads an LM75-like temperature sensor through libtessbridge.
 *
 * A plain host program: it talks to whichever bulk adapter is attached. On
 * the simulated adapters of `tess sim-run` the demo bench's sensor answers
 * 25.0 C.
 */
#include <stdio.h>

#include <tessbridge.h>

/* The sensor's 7-bit address 0x48 in the 8-bit bus form the library takes. */
#define SENSOR (0x48 << 1)
#define TEMPERATURE_REGISTER 0x00

int main(void) {
    uint8_t reading[2];
    /* Register 0: the temperature, high byte first, in 0.5 C steps. */
    uint8_t status = I2CReadArray(SENSOR, TEMPERATURE_REGISTER, 2, reading);
    ShutdownProcedure();
    if (status != 0) {
        fprintf(stderr, "no temperature: status %u\n", status);
        return 1;
    }
    printf("%.1f C\n", (int8_t)reading[0] + (reading[1] >> 7) * 0.5);
    return 0;
}
