#include "background_writer.hpp"

#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "hid_report.hpp"
#include "never_destroyed.hpp"

namespace tesslink {
namespace {

// Closes handed over while a write is in progress. More than this many at once
// (one per thread that gave up a device meanwhile) are closed at once instead,
// at the risk of waiting for the write.
constexpr std::size_t kMaxDeferredCloses = 32;

// The mutex guards every field; the two semaphores only wake the writer and
// the waiting caller, which then look at the fields under the mutex. (A wake-up
// meant for a caller that stopped waiting may reach the next one, which finds
// its own write not done and waits on.)
class Writer {
  public:
    Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;
    ~Writer() = delete;  // never destroyed (neverDestroyed)

    WriteOutcome write(int fd, std::span<const std::uint8_t> head, std::size_t reportLength,
                       std::chrono::milliseconds limit);
    bool busy() const { return busy_.load(std::memory_order_acquire); }
    void close(int fd);
    void stop();

  private:
    // What a waiting caller learns of its write. Lives on the caller's stack;
    // the writer fills it only while the caller still waits (result_ set).
    struct Result {
        bool done = false;
        bool ok = false;
    };

    void run();
    bool startThread();
    void closeNowOrDefer(std::unique_lock<std::mutex> &lock, int fd);

    static void lockBeforeFork();
    static void unlockInParent();
    static void forgetInChild();

    std::mutex mutex_;
    sem_t jobReady_;  // posted for each job handed over, and for the stop
    sem_t jobDone_;   // posted when a waited-for write has returned
    std::thread thread_;
    bool started_ = false;
    bool stopping_ = false;
    bool forkHandlersRegistered_ = false;

    // The one job: busy from the moment a caller hands it over until the
    // write has returned and every descriptor handed over meanwhile is closed.
    // busy_ mirrors jobFd_ >= 0 for the checks that take no lock.
    std::atomic<bool> busy_{false};
    int jobFd_ = -1;
    std::size_t jobLength_ = 0;
    std::array<std::uint8_t, kMaxReportLength> jobBytes_{};
    Result *result_ = nullptr;

    std::array<int, kMaxDeferredCloses> deferred_{};
    std::size_t deferredCount_ = 0;
};

Writer &writer() {
    return neverDestroyed<Writer>();
}

Writer::Writer() {
    ::sem_init(&jobReady_, 0, 0);
    ::sem_init(&jobDone_, 0, 0);
}

timespec monotonicDeadline(std::chrono::milliseconds limit) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ns = std::chrono::nanoseconds(now.tv_nsec) + limit;
    now.tv_sec +=
        static_cast<std::time_t>(std::chrono::duration_cast<std::chrono::seconds>(ns).count());
    now.tv_nsec = static_cast<long>((ns % std::chrono::seconds(1)).count());
    return now;
}

WriteOutcome Writer::write(int fd, std::span<const std::uint8_t> head, std::size_t reportLength,
                           std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (jobFd_ >= 0) {
        closeNowOrDefer(lock, fd);
        return WriteOutcome::Busy;
    }
    if (stopping_ || head.size() > reportLength || reportLength > jobBytes_.size() ||
        !startThread()) {
        closeNowOrDefer(lock, fd);
        return WriteOutcome::Failed;
    }
    std::copy(head.begin(), head.end(), jobBytes_.begin());
    std::fill(jobBytes_.begin() + static_cast<std::ptrdiff_t>(head.size()),
              jobBytes_.begin() + static_cast<std::ptrdiff_t>(reportLength), std::uint8_t{0});
    jobFd_ = fd;
    jobLength_ = reportLength;
    busy_.store(true, std::memory_order_release);
    Result result;
    result_ = &result;
    lock.unlock();
    ::sem_post(&jobReady_);

    const timespec deadline = monotonicDeadline(limit);
    for (;;) {
        const int woken = ::sem_clockwait(&jobDone_, CLOCK_MONOTONIC, &deadline);
        if (woken != 0 && errno == EINTR) {
            continue;
        }
        lock.lock();
        if (result.done) {
            return result.ok ? WriteOutcome::Completed : WriteOutcome::Failed;
        }
        if (woken != 0) {
            result_ = nullptr;  // the writer must not fill it once this call has returned
            return WriteOutcome::Pending;
        }
        lock.unlock();  // a wake-up meant for an earlier caller
    }
}

void Writer::close(int fd) {
    if (!busy()) {
        ::close(fd);  // as closeNowOrDefer would, without the lock
        return;
    }
    std::unique_lock lock(mutex_);
    closeNowOrDefer(lock, fd);
}

void Writer::closeNowOrDefer(std::unique_lock<std::mutex> &lock, int fd) {
    if (jobFd_ >= 0 && deferredCount_ < deferred_.size()) {
        deferred_[deferredCount_++] = fd;
        return;
    }
    lock.unlock();
    ::close(fd);
    lock.lock();
}

// Called with the mutex held. The thread is started once; fork handlers keep a
// child from waiting for a writer that fork() did not copy.
bool Writer::startThread() {
    if (started_) {
        return true;
    }
    if (!forkHandlersRegistered_) {
        if (::pthread_atfork(lockBeforeFork, unlockInParent, forgetInChild) != 0) {
            return false;
        }
        forkHandlersRegistered_ = true;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        return false;
    }
    started_ = true;
    return true;
}

// The writer thread. Not inlined: the benchmarks count the instructions of
// this thread under this name.
[[gnu::noinline]] void Writer::run() {
    ::pthread_setname_np(::pthread_self(), "tesslink-writer");
    for (;;) {
        while (::sem_wait(&jobReady_) != 0) {
            // EINTR: wait on
        }
        std::unique_lock lock(mutex_);
        if (jobFd_ < 0) {
            if (stopping_) {
                return;  // and nothing left to write
            }
            continue;
        }
        const int fd = jobFd_;
        const std::size_t length = jobLength_;
        lock.unlock();
        ssize_t written = -1;
        do {
            written = ::write(fd, jobBytes_.data(), length);
        } while (written < 0 && errno == EINTR);
        // The write has returned: no close waits for it any more. The report's
        // own descriptor is closed before the caller hears of the outcome, so
        // that a completed write leaves nothing open.
        ::close(fd);
        lock.lock();
        std::array<int, kMaxDeferredCloses> deferred;
        const std::size_t deferredCount = std::exchange(deferredCount_, 0);
        std::copy_n(deferred_.begin(), deferredCount, deferred.begin());
        const bool waitedFor = result_ != nullptr;
        if (waitedFor) {
            result_->ok = written == static_cast<ssize_t>(length);
            result_->done = true;
            result_ = nullptr;
        }
        jobFd_ = -1;
        busy_.store(false, std::memory_order_release);
        lock.unlock();
        if (waitedFor) {
            ::sem_post(&jobDone_);
        }
        for (std::size_t i = 0; i < deferredCount; ++i) {
            ::close(deferred[i]);
        }
    }
}

void Writer::stop() {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    if (!started_ || !thread_.joinable()) {
        return;
    }
    lock.unlock();
    ::sem_post(&jobReady_);
    // A write in progress returns within the kernel's own limit; the thread
    // ends after it.
    thread_.join();
}

// fork(): the mutex is taken first so that the child inherits a consistent
// writer; the child has no writer thread, so it forgets the parent's job and
// drops its copies of the parent's descriptors (closing a copy never waits: the
// parent still holds the device open).
void Writer::lockBeforeFork() {
    writer().mutex_.lock();
}

void Writer::unlockInParent() {
    writer().mutex_.unlock();
}

void Writer::forgetInChild() {
    Writer &w = writer();
    if (w.jobFd_ >= 0) {
        ::close(w.jobFd_);
    }
    for (std::size_t i = 0; i < w.deferredCount_; ++i) {
        ::close(w.deferred_[i]);
    }
    w.jobFd_ = -1;
    w.busy_.store(false);
    w.deferredCount_ = 0;
    w.result_ = nullptr;
    w.started_ = false;
    // The parent's thread handle and pending wake-ups mean nothing here; the
    // thread handle is replaced without running its destructor.
    new (&w.thread_) std::thread();
    ::sem_init(&w.jobReady_, 0, 0);
    ::sem_init(&w.jobDone_, 0, 0);
    w.mutex_.unlock();
}

// The library's unload (dlclose, or the end of the process after its exit
// handlers) ends the writer. Not an exit handler: those run while other
// threads and later exit handlers may still call in.
[[gnu::destructor]] void stopWriterAtUnload() {
    writer().stop();
}

}  // namespace

WriteOutcome writeWithTimeLimit(int fd, std::span<const std::uint8_t> head,
                                std::size_t reportLength, std::chrono::milliseconds limit) {
    return writer().write(fd, head, reportLength, limit);
}

bool writeInProgress() {
    return writer().busy();
}

void closeDevice(int fd) {
    writer().close(fd);
}

}  // namespace tesslink
