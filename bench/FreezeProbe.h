#pragma once

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <thread>
#include <vector>

// Times in which a CPU ran nothing of ours: a virtual machine's host takes a
// virtual CPU away (its CPU quota, other guests), and whatever waits on that
// CPU, the GUI thread included, waits with it. One real-time thread per CPU
// wakes every millisecond; what it oversleeps, no thread could have run.
class FreezeProbe {
  public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::duration<double, std::milli>;

    FreezeProbe(); // starts; needs the right to real-time priority (root)
    ~FreezeProbe();

    bool measuring() const { return measuring_; }
    void stop();
    // After stop(): how long of [begin, end] any of the CPUs was frozen.
    Milliseconds frozenWithin(std::initializer_list<int> cpus, Clock::time_point begin,
                              Clock::time_point end) const;
    Milliseconds longestFreeze() const;

  private:
    struct Interval {
        Clock::time_point begin;
        Clock::time_point end;
    };
    struct Watch {
        int cpu = 0;
        std::vector<Interval> overslept; // written only by its thread until joined
    };
    void watch(Watch& watch);

    std::atomic<bool> stopping_ = false;
    std::atomic<int> refused_ = 0;
    bool measuring_ = false;
    std::vector<Watch> watches_;
    std::vector<std::thread> threads_;
};
