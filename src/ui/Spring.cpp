#include "Spring.h"

#include <QAbstractAnimation>

#include <cmath>
#include <functional>
#include <numbers>
#include <utility>

namespace optara {

namespace {

struct SpringState {
    double position; // displacement from the target
    double velocity;
};

// Exact solution of x'' + c x' + k x = 0 on unit mass after dt seconds, with
// k = (2π/response)² and c = 4π·dampingFraction/response.
SpringState advanceSpring(SpringState start, double response, double dampingFraction, double dt)
{
    if (!(response > 0.0) || !std::isfinite(response) || !(dt > 0.0))
        return dt > 0.0 ? SpringState{0.0, 0.0} : start;
    const double zeta = std::isfinite(dampingFraction) ? std::max(dampingFraction, 0.0) : 1.0;
    const double omega = 2.0 * std::numbers::pi / response;
    const double x0 = start.position;
    const double v0 = start.velocity;

    if (std::abs(zeta - 1.0) < 1e-9) {
        const double b = v0 + omega * x0;
        const double decay = std::exp(-omega * dt);
        return {decay * (x0 + b * dt), decay * (v0 - omega * b * dt)};
    }
    if (zeta < 1.0) {
        const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
        const double a = x0;
        const double b = (v0 + zeta * omega * x0) / omegaD;
        const double decay = std::exp(-zeta * omega * dt);
        const double c = std::cos(omegaD * dt);
        const double s = std::sin(omegaD * dt);
        const double x = decay * (a * c + b * s);
        const double v = decay * ((b * omegaD - zeta * omega * a) * c - (a * omegaD + zeta * omega * b) * s);
        return {x, v};
    }
    const double root = std::sqrt(zeta * zeta - 1.0);
    const double r1 = -omega * (zeta - root);
    const double r2 = -omega * (zeta + root);
    const double c2 = (v0 - r1 * x0) / (r2 - r1);
    const double c1 = x0 - c2;
    const double e1 = std::exp(r1 * dt);
    const double e2 = std::exp(r2 * dt);
    return {c1 * e1 + c2 * e2, c1 * r1 * e1 + c2 * r2 * e2};
}

// Below these the motion is invisible, so the spring snaps and stops ticking.
constexpr double restDistance = 1e-4;
constexpr double restSpeed = 1e-3;

// An animation of no set length that hands each tick of Qt's animation clock
// on as the seconds since the tick before; it runs until stopped.
class FrameTicks final : public QAbstractAnimation {
  public:
    FrameTicks(std::function<void(double)> onTick, QObject* parent)
        : QAbstractAnimation(parent), onTick_(std::move(onTick))
    {
    }

    int duration() const override { return -1; }

  protected:
    void updateState(State newState, State) override
    {
        // Each start counts its time from 0 again.
        if (newState == Running)
            previous_ = 0;
    }

    void updateCurrentTime(int milliseconds) override
    {
        const int elapsed = milliseconds - previous_;
        previous_ = milliseconds;
        if (elapsed > 0)
            onTick_(static_cast<double>(elapsed) / 1000.0);
    }

  private:
    std::function<void(double)> onTick_;
    int previous_ = 0;
};

} // namespace

Spring::Spring(QObject* parent)
    : QObject(parent), frames_(new FrameTicks([this](double seconds) { advance(seconds); }, this))
{
}

void Spring::setTarget(double target)
{
    if (!std::isfinite(target) || target == target_)
        return;
    target_ = target;
    emit targetChanged();
    // The value given at creation is the resting place, not a motion.
    if (!complete_ || !animated_) {
        settle();
        return;
    }
    frames_->start();
}

void Spring::setResponse(double response)
{
    if (response == response_)
        return;
    response_ = response;
    emit responseChanged();
}

void Spring::setDampingFraction(double fraction)
{
    if (fraction == dampingFraction_)
        return;
    dampingFraction_ = fraction;
    emit dampingFractionChanged();
}

void Spring::setAnimated(bool animated)
{
    if (animated == animated_)
        return;
    animated_ = animated;
    emit animatedChanged();
    if (!animated_)
        settle();
}

void Spring::componentComplete()
{
    complete_ = true;
}

void Spring::settle()
{
    // Off the clock first: a handler of the change may start a new motion.
    frames_->stop();
    velocity_ = 0.0;
    if (value_ != target_) {
        value_ = target_;
        emit valueChanged();
    }
}

void Spring::advance(double seconds)
{
    const auto next = advanceSpring({value_ - target_, velocity_}, response_, dampingFraction_, seconds);
    velocity_ = next.velocity;
    const double value = target_ + next.position;
    if (std::abs(next.position) < restDistance && std::abs(next.velocity) < restSpeed) {
        settle();
        return;
    }
    if (value != value_) {
        value_ = value;
        emit valueChanged();
    }
}

} // namespace optara
