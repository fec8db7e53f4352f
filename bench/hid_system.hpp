// Emulated HID interfaces for the Tesslink benchmarks: the adapter (04D8:FF5C,
// 64-byte reports without report IDs) on hidraw100, so that it comes last in
// index order, and as many other vendors' interfaces before it as asked.
//
// The adapter answers every report at once with the report itself, its byte 3
// (the status byte of a reply) set to 0: reads succeed, and the information
// commands get their echo. The reset command gets no answer.
//
// Construct it first thing in main(), under umockdev-wrapper.
#pragma once

#include <memory>
#include <string>

#include "umockdev_hid_system.hpp"

namespace bench {

class HidBenchSystem {
  public:
    HidBenchSystem();

    // Adds other interfaces (hidraw0, hidraw1, ...) until `total` interfaces,
    // the adapter included, are present. Never removes any.
    void grow_to(unsigned total);

    unsigned interfaces() const { return others_ + 1; }
    static std::string adapter_node() { return "/dev/hidraw100"; }

  private:
    std::unique_ptr<hid_adapter::UmockdevHidSystem> system_;
    unsigned others_ = 0;
};

}  // namespace bench
