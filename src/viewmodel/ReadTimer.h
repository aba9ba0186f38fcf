#pragma once

#include <chrono>
#include <optional>

namespace optara {

// Times one reading thread: every few milliseconds, how much of the time since
// it last said was spent on a CPU and how much blocked, as the kernel's
// scheduler accounts it. Waiting for a CPU is neither, so readers crowding
// the cores never look blocked.
class ReadTimer {
  public:
    using Clock = std::chrono::steady_clock;

    struct Spent {
        std::chrono::nanoseconds onCpu;
        std::chrono::nanoseconds blocked;
    };

    ReadTimer();

    // Called after each file: the time spent since the last sample, once a
    // sample is due and the kernel says.
    std::optional<Spent> sample();
    Clock::duration elapsed() const { return Clock::now() - start_; }

  private:
    struct ThreadTimes {
        std::chrono::nanoseconds onCpu;
        std::chrono::nanoseconds waitingForCpu;
    };
    // The calling thread's times so far; none where the kernel does not say.
    static std::optional<ThreadTimes> threadTimes();

    const Clock::time_point start_;
    Clock::time_point sampledAt_;
    std::optional<ThreadTimes> sampled_;
};

} // namespace optara
