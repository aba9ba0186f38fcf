#pragma once

#include <QThreadPool>

#include <chrono>
#include <functional>

namespace optara {

// The threads of every window's runs, and their priorities. A walk and its
// listings, and then one reader per core, run a few nice steps below the GUI
// thread, so that the readers together weigh less than one thread of the
// GUI's own priority; the walk waits for each listing in turn, so its
// listings run at its own priority. Readers beyond one per core, kept only to
// overlap a disk's or a share's waits, run at nice 19: any thread of the
// desktop that wakes takes their CPU, and 62 of them weigh less than one
// thread at nice 0, yet they keep a share of a busy desktop's CPUs, which the
// idle scheduling class would not.
class RunThreads {
  public:
    static constexpr int mostWaiting = 64;
    static constexpr int mostListings = 16;

    static RunThreads& shared();

    int cores() const { return cores_; }

    void startWorking(std::function<void()> task);
    // False when no thread is free.
    bool tryStartWorking(std::function<void()> task);
    bool tryStartWaiting(std::function<void()> task);

    // Until no run's thread is busy; false if some still are after the timeout,
    // as reads that a share no longer answers are.
    bool waitForIdle(std::chrono::milliseconds timeout);

  private:
    RunThreads();

    // The task, run at the working threads' priority.
    std::function<void()> working(std::function<void()> task) const;

    const int cores_;
    const int workingNice_;
    QThreadPool working_;
    QThreadPool waiting_;
};

} // namespace optara
