#pragma once

#include <QObject>

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

class QQuickWindow;

namespace optara {

// The times at which one window's frames were swapped to the screen. The
// signal comes on the render thread where there is one: each time goes into a
// buffer filled up front, so that recording neither allocates nor touches a
// new page, under a lock the GUI thread takes only to start, wait and collect. A child of its window, so that
// it outlives every frame.
class FrameRecorder : public QObject {
    Q_OBJECT

  public:
    using Clock = std::chrono::steady_clock;

    // Keeps at most `capacity` frames from each start(); later ones are counted as missed.
    FrameRecorder(QQuickWindow* window, std::size_t capacity);

    // Forgets what was recorded and records from now on.
    void start();
    // Runs the event loop until a frame since start() is swapped at or after
    // `mark`; false when the timeout came first.
    bool waitForFrameAfter(Clock::time_point mark, std::chrono::milliseconds timeout);
    // `from`, then the frames after it up to and including the first at or after `until`.
    std::vector<Clock::time_point> framesFrom(Clock::time_point from, Clock::time_point until) const;
    std::size_t missed() const;

  signals:
    void markPassed(QPrivateSignal);

  private:
    void record();

    mutable std::mutex mutex_;
    std::vector<Clock::time_point> frames_;
    std::size_t count_ = 0;
    std::size_t missed_ = 0;
    bool recording_ = false;
    std::optional<Clock::time_point> mark_;
};

} // namespace optara
