#pragma once

#include <atomic>
#include <chrono>
#include <mutex>

namespace optara {

// How many files a run reads at once. A read served from memory keeps its
// thread on a CPU, so one reader per core is enough and more would only
// compete with the GUI thread. A read that waits (a disk seeking, a share
// across the network) leaves its core idle, so more readers are kept in
// flight, the more the longer reads wait against how long they compute.
// Fed by the reading threads; thread-safe.
class ReadConcurrency {
  public:
    using Duration = std::chrono::nanoseconds;

    ReadConcurrency(int cores, int most);

    int readers() const { return readers_.load(std::memory_order_relaxed); }

    // A reading thread's time since its last report: on a CPU, and blocked
    // (neither running nor waiting for a CPU). True when this report raised
    // the number of readers.
    bool report(Duration onCpu, Duration blocked);

  private:
    const int cores_;
    const int most_;
    std::mutex mutex_;
    // Until reports say otherwise, reads are served from memory (12 ms on a
    // CPU, none blocked), so the first few reports, of new threads waiting on
    // their own start-up, add no readers.
    double onCpu_ = 12e6;
    double blocked_ = 0;
    std::atomic<int> readers_;
};

} // namespace optara
