#include "FrameRecorder.h"

#include <QEventLoop>
#include <QQuickWindow>
#include <QTimer>

#include <algorithm>

namespace optara {

FrameRecorder::FrameRecorder(QQuickWindow* window, std::size_t capacity) : QObject(window), frames_(capacity)
{
    connect(window, &QQuickWindow::frameSwapped, this, &FrameRecorder::record, Qt::DirectConnection);
}

void FrameRecorder::start()
{
    const std::lock_guard lock(mutex_);
    count_ = 0;
    missed_ = 0;
    mark_.reset();
    recording_ = true;
}

bool FrameRecorder::waitForFrameAfter(Clock::time_point mark, std::chrono::milliseconds timeout)
{
    QEventLoop loop;
    // Connected before the mark is set, so that no frame passes it unseen.
    connect(this, &FrameRecorder::markPassed, &loop, &QEventLoop::quit);
    {
        const std::lock_guard lock(mutex_);
        const auto recorded = frames_.begin() + static_cast<std::ptrdiff_t>(count_);
        if (std::any_of(frames_.begin(), recorded, [mark](Clock::time_point frame) { return frame >= mark; }))
            return true;
        mark_ = mark;
    }
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    const std::lock_guard lock(mutex_);
    const bool passed = !mark_.has_value();
    mark_.reset();
    return passed;
}

std::vector<FrameRecorder::Clock::time_point> FrameRecorder::framesFrom(Clock::time_point from,
                                                                        Clock::time_point until) const
{
    std::vector<Clock::time_point> points{from};
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < count_; ++i) {
        if (frames_[i] <= from)
            continue;
        points.push_back(frames_[i]);
        if (frames_[i] >= until)
            break;
    }
    return points;
}

std::size_t FrameRecorder::missed() const
{
    const std::lock_guard lock(mutex_);
    return missed_;
}

void FrameRecorder::record()
{
    const Clock::time_point now = Clock::now();
    bool passed = false;
    {
        const std::lock_guard lock(mutex_);
        if (!recording_)
            return;
        if (count_ < frames_.size())
            frames_[count_++] = now;
        else
            ++missed_;
        if (mark_ && now >= *mark_) {
            mark_.reset();
            passed = true;
        }
    }
    if (passed)
        emit markPassed(QPrivateSignal());
}

} // namespace optara
