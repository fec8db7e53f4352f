/* The example program with its main() renamed, for run_with_emulated_adapter.cpp. */
#define main tesslink_pmbus_main
#include "tesslink_pmbus.c"
