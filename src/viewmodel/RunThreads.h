#pragma once

#include <QThreadPool>

#include <chrono>
#include <functional>

namespace optara {

// Every thread of every window's runs: the walks, their listings and the
// reads. They run at nice 19, so that any thread of the desktop that wakes,
// the GUI thread first, takes their CPU, and a share's many readers together
// weigh less than one thread at nice 0; yet they keep a share of a busy
// desktop's CPUs, which the idle scheduling class would not.
class RunThreads {
  public:
    // Enough to keep a share's round trips overlapped; threads that wait cost
    // no CPU.
    static constexpr int mostThreads = 64;

    static RunThreads& shared();

    void start(std::function<void()> task);
    // False when no thread is free.
    bool tryStart(std::function<void()> task);

    // Until no run's thread is busy; false if some still are after the
    // timeout, as reads that a share no longer answers are.
    bool waitForIdle(std::chrono::milliseconds timeout);

  private:
    RunThreads();

    QThreadPool pool_;
};

} // namespace optara
