// Runs the tesslink_pmbus example against an emulated HID adapter with a
// PMBus power supply, so it can be tried without hardware:
//   umockdev-wrapper ./tesslink_pmbus_emulated
// The example's own main() is compiled in as tesslink_pmbus_main().
#include <cstdio>
#include <exception>

#include "simulated_board.hpp"
#include "umockdev_hid_system.hpp"

extern "C" int tesslink_pmbus_main(int argc, char **argv);

int main(int argc, char **argv) {
    try {
        hid_adapter::SimulatedBoard board;
        hid_adapter::UmockdevHidSystem system;
        system.addServedInterface(hid_adapter::HidrawInterface{},
                                  hid_adapter::respondWith(board.firmware));
        return tesslink_pmbus_main(argc, argv);
    } catch (const std::exception &error) {
        (void)std::fprintf(stderr, "cannot emulate the adapter: %s\n", error.what());
        return 2;
    }
}
