#include "Spring.h"

#include <cmath>
#include <numbers>

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
constexpr int frameMilliseconds = 16;
} // namespace

Spring::Spring(QObject* parent) : QObject(parent)
{
    timer_.setInterval(frameMilliseconds);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Spring::tick);
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
    if (!timer_.isActive()) {
        clock_.start();
        timer_.start();
        emit runningChanged();
    }
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
    velocity_ = 0.0;
    if (value_ != target_) {
        value_ = target_;
        emit valueChanged();
    }
    stop();
}

void Spring::advance(double dt)
{
    const auto next = advanceSpring({value_ - target_, velocity_}, response_, dampingFraction_, dt);
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

void Spring::tick()
{
    const double dt = static_cast<double>(clock_.restart()) / 1000.0;
    advance(dt);
}

void Spring::stop()
{
    if (timer_.isActive()) {
        timer_.stop();
        emit runningChanged();
    }
}

} // namespace optara
