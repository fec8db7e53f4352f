// Maps the toolkit's 32-bit handles to its objects.
//
// Handles come from one process-wide counter and are never reused (0 is never
// issued), so a handle of another kind, or one already closed, is simply not
// found: a stale handle is answered, never followed into freed memory. Objects
// are shared, so a thread that looked one up keeps it alive while it works even
// if another thread closes the handle meanwhile.
#pragma once

#include <wdapi801.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace wdcommon {

wd_handle next_handle_value();

template <typename T>
class HandleTable {
public:
    wd_handle insert(std::shared_ptr<T> object) {
        const wd_handle handle = next_handle_value();
        std::lock_guard lock(mutex_);
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    std::shared_ptr<T> find(wd_handle handle) const {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

    // Removes the handle and hands back its object (null when unknown).
    std::shared_ptr<T> remove(wd_handle handle) {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(handle);
        if (it == objects_.end()) {
            return nullptr;
        }
        auto object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<wd_handle, std::shared_ptr<T>> objects_;
};

}  // namespace wdcommon
