// One call of every Tesslink export at its largest count, and what its floor
// does on the wire: how many report exchanges and how many lone reports.
#pragma once

#include <span>

namespace bench {

struct TesslinkCase {
    const char *name;
    int exchanges;     // reports that are answered
    int lone_reports;  // reports sent without waiting for an answer
    void (*call)();
};

std::span<const TesslinkCase> tesslink_cases();

}  // namespace bench
