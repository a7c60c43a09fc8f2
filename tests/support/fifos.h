#pragma once

#include <string>

#ifndef _WIN32
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#endif

// FIFOs a test puts in its tree, where the program must never wait on one. Windows has none in
// its file systems, so there no test makes one and nothing needs releasing.
namespace bk::test {

#ifdef _WIN32

class FifoGuard {
  public:
    void add(const std::string&) {}
    void forgetAll() {}
    void stepDone() {}
    bool releasedAReader() { return false; }
};

#else

inline bool MakeFifo(const std::string& path) {
    return mkfifo(path.c_str(), 0644) == 0;
}

// Releases the program if it ever waits on a FIFO of the tree: when a step has made no progress
// for a long while, every FIFO is opened for writing without waiting, which succeeds only when a
// reader is waiting on it and lets that reader go on. The test then fails instead of hanging.
class FifoGuard {
  public:
    FifoGuard() : watcher_([this] { watch(); }) {}
    ~FifoGuard() {
        stop_ = true;
        watcher_.join();
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    void add(const std::string& path) {
        const std::lock_guard<std::mutex> lock(mutex_);
        fifos_.push_back(path);
    }
    void forgetAll() {
        const std::lock_guard<std::mutex> lock(mutex_);
        fifos_.clear();
    }
    void stepDone() { ++progress_; }
    // Whether a stuck reader was let go since the last question.
    bool releasedAReader() { return released_.exchange(false); }

  private:
    void watch() {
        std::uint64_t seen = progress_;
        auto since = std::chrono::steady_clock::now();
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::uint64_t now = progress_;
            if (now != seen) {
                seen = now;
                since = std::chrono::steady_clock::now();
                continue;
            }
            // Far beyond what any step of these small trees takes, even under sanitizers.
            if (std::chrono::steady_clock::now() - since < std::chrono::seconds(20)) {
                continue;
            }
            const std::lock_guard<std::mutex> lock(mutex_);
            for (const std::string& fifo : fifos_) {
                const int handle = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (handle >= 0) {
                    released_ = true;
                    ::close(handle);
                }
            }
        }
    }

    std::mutex mutex_;
    std::vector<std::string> fifos_;
    std::atomic<std::uint64_t> progress_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> released_{false};
    std::thread watcher_;
};

#endif

} // namespace bk::test
