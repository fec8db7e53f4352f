// Forcing an interleaving on the simulated toolkit: SimPoints watches its hook
// points (wdsim_set_hook) for one test, and run_detached runs a call on a
// thread of its own that a broken build may leave blocked for ever.
//
// The limits here only keep a broken build from hanging the test; no test
// judges how long anything took.
#pragma once

#include <wdapi801_sim.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace simtest {

inline constexpr std::chrono::seconds kGuard{20};

class SimPoints {
public:
    struct Point {
        wdsim_point point;
        wd_handle handle;
        int32_t value;
        std::thread::id thread;
    };

    SimPoints() { wdsim_set_hook(&SimPoints::reached, this); }
    ~SimPoints() {
        release();
        wdsim_set_hook(nullptr, nullptr);
    }
    SimPoints(const SimPoints &) = delete;
    SimPoints &operator=(const SimPoints &) = delete;

    // Waits until `count` points for which `match` is true have been reached.
    bool wait_for(const std::function<bool(const Point &)> &match, std::size_t count = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kGuard, [&] {
            std::size_t matching = 0;
            for (const Point &p : points_) {
                matching += match(p) ? 1U : 0U;
            }
            return matching >= count;
        });
    }
    bool wait_for(wdsim_point point) {
        return wait_for([point](const Point &p) { return p.point == point; });
    }

    std::vector<Point> points() {
        std::lock_guard lock(mutex_);
        return points_;
    }
    // The values of every `point` reached, in order.
    std::vector<int32_t> values(wdsim_point point) {
        std::lock_guard lock(mutex_);
        std::vector<int32_t> found;
        for (const Point &p : points_) {
            if (p.point == point) {
                found.push_back(p.value);
            }
        }
        return found;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        points_.clear();
    }

    // Called on a thread: the next mutex it takes keeps it there, inside the
    // mutex, until release().
    static void hold_next_take_on_this_thread() { hold_next_take() = true; }
    // Waits until a thread is held so.
    bool wait_until_held() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kGuard, [&] { return held_ > 0; });
    }
    bool holding() {
        std::lock_guard lock(mutex_);
        return held_ > 0;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }

private:
    static bool &hold_next_take() {
        thread_local bool hold = false;
        return hold;
    }

    static void reached(wdsim_point point, wd_handle handle, int32_t value, void *self_ptr) {
        auto &self = *static_cast<SimPoints *>(self_ptr);
        std::unique_lock lock(self.mutex_);
        self.points_.push_back({point, handle, value, std::this_thread::get_id()});
        self.changed_.notify_all();
        if (point == WDSIM_POINT_MUTEX_TAKEN && hold_next_take()) {
            hold_next_take() = false;
            ++self.held_;
            self.changed_.notify_all();
            self.changed_.wait(lock, [&] { return self.released_; });
            --self.held_;
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Point> points_;
    unsigned held_ = 0;
    bool released_ = false;
};

// Runs `call` on a detached thread; the future becomes ready when it returns.
// A call that never returns (a broken build) then leaves the test to fail on
// its guard instead of hanging in a join.
template <typename Call>
auto run_detached(Call call) {
    using Result = decltype(call());
    std::packaged_task<Result()> task(std::move(call));
    auto result = task.get_future();
    std::thread(std::move(task)).detach();
    return result;
}

template <typename Result>
bool ready(std::future<Result> &future) {
    return future.wait_for(kGuard) == std::future_status::ready;
}

}  // namespace simtest
