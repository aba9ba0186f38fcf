#pragma once

#include <QThreadPool>

#include <chrono>
#include <functional>

namespace optara {

// The threads of every window's runs, and their priorities. Work that keeps a
// CPU busy (a walk, a reader per core) runs a few nice steps below the GUI
// thread, so that together it weighs less than one thread of the GUI's own
// priority. Work that mostly waits (a walk's further listings, readers beyond
// one per core, kept to overlap a disk's or a share's waits) runs at the idle
// scheduling class: whenever any other thread of the desktop wakes, it gives
// way at once, and it only ever takes a CPU that nobody else wants.
class RunThreads {
  public:
    static constexpr int mostWaiting = 64;

    static RunThreads& shared();

    int cores() const { return cores_; }

    void startWorking(std::function<void()> task);
    // False when no thread is free.
    bool tryStartWaiting(std::function<void()> task);

    // Until no run's thread is busy; false if some still are after the timeout,
    // as reads that a share no longer answers are.
    bool waitForIdle(std::chrono::milliseconds timeout);

  private:
    RunThreads();

    const int cores_;
    const int workingNice_;
    QThreadPool working_;
    QThreadPool waiting_;
};

} // namespace optara
