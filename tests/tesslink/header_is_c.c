/* The public header compiles as plain C and declares every export. */
#include "tesslink.h"

typedef unsigned char (*status_call)(unsigned char, unsigned int, unsigned char *, unsigned char);

int tesslink_header_is_c(void) {
    status_call read = MPUI2CRead;
    unsigned short (*version)(void) = MPUSBGetDeviceVersion;
    return read != 0 && version != 0 && TESSLINK_DLL_VERSION == 0x0408;
}
