#pragma once

#include "ReadConcurrency.h"

#include <chrono>
#include <optional>

namespace optara {

// Times one reading thread and reports to its run's ReadConcurrency every
// few milliseconds how much of that time it spent blocked, as the kernel's
// scheduler accounts it: waiting for a CPU is not blocking, so readers
// crowding the cores never ask for more readers. At each report the thread
// also gives way to any thread waiting for its CPU.
class ReadTimer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ReadTimer(ReadConcurrency& concurrency);

    // Called after each file. True when the run has just come to want more
    // readers than it has.
    bool fileRead();
    Clock::duration elapsed() const { return Clock::now() - start_; }

  private:
    struct ThreadTimes {
        std::chrono::nanoseconds onCpu;
        std::chrono::nanoseconds waitingForCpu;
    };
    // The calling thread's times so far; none where the kernel does not say.
    static std::optional<ThreadTimes> threadTimes();

    ReadConcurrency& concurrency_;
    const Clock::time_point start_;
    Clock::time_point sampledAt_;
    std::optional<ThreadTimes> sampled_;
};

} // namespace optara
