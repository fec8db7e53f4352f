// The C boundary of the exports: an export's body runs inside `guarded`, so no
// exception ever reaches a C caller; one would turn into the export's failure
// value.
#pragma once

namespace tessbridge {

template <typename Result, typename Body>
Result guarded(Result failure, Body &&body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

}  // namespace tessbridge
