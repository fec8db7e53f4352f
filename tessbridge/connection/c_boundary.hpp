// The C boundary: every export's and every toolkit handler's body runs inside
// `guarded`, so no exception ever reaches a C caller; one would turn into the
// function's failure value. Exports go through `exported`, which first waits
// for the start-up that the library's load began (platform/load_entry.hpp);
// the handlers use `guarded` alone, since the start-up waits for them.
#pragma once

#include <utility>

#include "load_entry.hpp"

namespace tessbridge {

template <typename Result, typename Body>
Result guarded(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// The same for a body without a result.
template <typename Body>
void guarded(Body &&body) noexcept {
    try {
        body();
    } catch (...) {  // nothing to report it with: the call just ends
    }
}

// An export's body: after the start-up, inside the boundary.
template <typename Result, typename Body>
Result exported(Result failure, Body &&body) noexcept {
    platform::await_start_up();
    return guarded(failure, std::forward<Body>(body));
}

template <typename Body>
void exported(Body &&body) noexcept {
    platform::await_start_up();
    guarded(std::forward<Body>(body));
}

}  // namespace tessbridge
