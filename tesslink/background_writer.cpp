#include "background_writer.hpp"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace tesslink {
namespace {

struct WriteJob {
    int fd = -1;
    std::vector<std::uint8_t> bytes;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool ok = false;
};

void runWrite(WriteJob &job) {
    ssize_t written = -1;
    do {
        written = ::write(job.fd, job.bytes.data(), job.bytes.size());
    } while (written < 0 && errno == EINTR);
    ::close(job.fd);
    const std::lock_guard lock(job.mutex);
    job.ok = written == static_cast<ssize_t>(job.bytes.size());
    job.done = true;
    job.finished.notify_all();
}

// Keeps every worker thread joinable, so that none can still be running
// library code after the library is unloaded: finished workers are joined when
// the next write starts, and all of them when this object is destroyed.
class Workers {
  public:
    Workers() = default;
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;
    ~Workers() {
        const std::lock_guard lock(mutex_);
        for (auto &worker : workers_) {
            worker.thread.join();
        }
    }

    void start(const std::shared_ptr<WriteJob> &job) {
        const std::lock_guard lock(mutex_);
        joinFinished();
        auto &worker = workers_.emplace_back();
        worker.job = job;
        try {
            worker.thread = std::thread([job] { runWrite(*job); });
        } catch (...) {
            workers_.pop_back();
            throw;
        }
    }

  private:
    struct Worker {
        std::shared_ptr<WriteJob> job;
        std::thread thread;
    };

    void joinFinished() {
        for (auto it = workers_.begin(); it != workers_.end();) {
            bool done = false;
            {
                const std::lock_guard jobLock(it->job->mutex);
                done = it->job->done;
            }
            if (done) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::mutex mutex_;
    std::list<Worker> workers_;
};

Workers &workers() {
    static Workers instance;
    return instance;
}

}  // namespace

WriteOutcome writeWithTimeLimit(int fd, std::vector<std::uint8_t> bytes,
                                std::chrono::milliseconds limit) {
    std::shared_ptr<WriteJob> job;
    try {
        job = std::make_shared<WriteJob>();
        job->fd = fd;
        job->bytes = std::move(bytes);
        workers().start(job);
    } catch (...) {
        // No job or no worker thread: writing on the caller's thread could
        // block it for seconds, so the write is not made. No worker was
        // started, so the descriptor is still ours to close.
        ::close(fd);
        return WriteOutcome::Failed;
    }
    std::unique_lock lock(job->mutex);
    if (!job->finished.wait_for(lock, limit, [&job] { return job->done; })) {
        return WriteOutcome::Pending;
    }
    return job->ok ? WriteOutcome::Completed : WriteOutcome::Failed;
}

}  // namespace tesslink
