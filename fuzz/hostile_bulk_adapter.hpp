// A bulk adapter whose every answer comes from the fuzzer's input: for each
// transfer, its status (success, time-out, stall, gone, I/O error), how many
// bytes move, and for a reply the bytes themselves. With the input used up it
// accepts every packet and lets every read time out.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>
#include <wdapi801_sim.h>

namespace tbfuzz {

// The model to plug in; its answers come from the script set below.
const wdsim_model &hostileBulkModel();

// Where the answers come from (null: none; transfers then behave as above).
// Transfers must all run on the thread that sets the script.
void setBulkScript(FuzzedDataProvider *script);

// Transfers since the last reset, and those among them that moved less than
// their whole length (whatever their status).
struct BulkTally {
    unsigned transfers = 0;
    unsigned short_transfers = 0;
};
BulkTally &bulkTally();

}  // namespace tbfuzz
