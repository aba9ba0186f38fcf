#include "SpringMotion.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <numbers>

using optara::ui::advanceSpring;
using optara::ui::SpringState;

namespace {

// Reference: the same oscillator integrated numerically in tiny steps.
SpringState integrate(SpringState s, double response, double fraction, double dt)
{
    const double k = std::pow(2.0 * std::numbers::pi / response, 2.0);
    const double c = 4.0 * std::numbers::pi * fraction / response;
    const int steps = 200000;
    const double h = dt / steps;
    for (int i = 0; i < steps; ++i) {
        // Semi-implicit Euler is stable and accurate enough at this step.
        s.velocity += (-k * s.position - c * s.velocity) * h;
        s.position += s.velocity * h;
    }
    return s;
}

}  // namespace

class SpringTest : public QObject {
    Q_OBJECT

private slots:
    void matchesTheOscillator_data()
    {
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("position");
        QTest::addColumn<double>("velocity");
        QTest::addColumn<double>("dt");
        QTest::newRow("zone, critically damped") << 0.2 << 1.0 << -1.0 << 0.0 << 0.05;
        QTest::newRow("tile, underdamped") << 0.3 << 0.6 << -1.0 << 0.0 << 0.12;
        QTest::newRow("moving start") << 0.3 << 0.6 << 0.5 << -7.0 << 0.2;
        QTest::newRow("overdamped") << 0.4 << 1.8 << -1.0 << 2.0 << 0.3;
        QTest::newRow("undamped") << 0.5 << 0.0 << 1.0 << 0.0 << 0.37;
    }

    void matchesTheOscillator()
    {
        QFETCH(double, response);
        QFETCH(double, fraction);
        QFETCH(double, position);
        QFETCH(double, velocity);
        QFETCH(double, dt);
        const SpringState exact = advanceSpring({position, velocity}, response, fraction, dt);
        const SpringState reference = integrate({position, velocity}, response, fraction, dt);
        QVERIFY2(std::abs(exact.position - reference.position) < 1e-3,
                 qPrintable(QStringLiteral("%1 vs %2").arg(exact.position).arg(reference.position)));
        QVERIFY(std::abs(exact.velocity - reference.velocity) < 1e-2);
    }

    void stepsCompose()
    {
        // Two half steps land where one whole step does, so frame timing does not bend the curve.
        const SpringState whole = advanceSpring({-1.0, 0.0}, 0.3, 0.6, 0.1);
        const SpringState half = advanceSpring(advanceSpring({-1.0, 0.0}, 0.3, 0.6, 0.05), 0.3, 0.6, 0.05);
        QVERIFY(std::abs(whole.position - half.position) < 1e-12);
        QVERIFY(std::abs(whole.velocity - half.velocity) < 1e-9);
    }

    void overshootByDamping_data()
    {
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("overshoots");
        QTest::newRow("zone 0.2 s, 1.0") << 0.2 << 1.0 << false;
        QTest::newRow("tile 0.3 s, 0.6") << 0.3 << 0.6 << true;
    }

    void overshootByDamping()
    {
        QFETCH(double, response);
        QFETCH(double, fraction);
        QFETCH(bool, overshoots);
        double peak = -1.0;
        SpringState s{-1.0, 0.0};
        for (int frame = 0; frame < 120; ++frame) {
            s = advanceSpring(s, response, fraction, 1.0 / 120.0);
            peak = std::max(peak, s.position);
        }
        QCOMPARE(peak > 1e-3, overshoots);
        // Settled within a second either way.
        QVERIFY(std::abs(s.position) < 1e-2);
    }

    void badParametersStayFinite_data()
    {
        QTest::addColumn<double>("response");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("dt");
        QTest::newRow("zero response") << 0.0 << 1.0 << 0.016;
        QTest::newRow("negative response") << -1.0 << 1.0 << 0.016;
        QTest::newRow("nan fraction") << 0.3 << std::nan("") << 0.016;
        QTest::newRow("negative fraction") << 0.3 << -2.0 << 0.016;
        QTest::newRow("infinite response") << std::numeric_limits<double>::infinity() << 1.0 << 0.016;
    }

    void badParametersStayFinite()
    {
        QFETCH(double, response);
        QFETCH(double, fraction);
        QFETCH(double, dt);
        const SpringState s = advanceSpring({-1.0, 0.0}, response, fraction, dt);
        QVERIFY(std::isfinite(s.position));
        QVERIFY(std::isfinite(s.velocity));
        QVERIFY(std::abs(s.position) <= 1.0);
    }

    void nonPositiveStepChangesNothing()
    {
        const SpringState s = advanceSpring({-0.4, 3.0}, 0.3, 0.6, 0.0);
        QCOMPARE(s.position, -0.4);
        QCOMPARE(s.velocity, 3.0);
    }

    void springItemSettlesOnTarget()
    {
        Spring spring;
        spring.setTarget(1.0);  // before completion: the resting place, no motion
        QCOMPARE(spring.value(), 1.0);
        QVERIFY(!spring.running());
        spring.componentComplete();
        QSignalSpy values(&spring, &Spring::valueChanged);
        spring.setTarget(0.0);
        QVERIFY(spring.running());
        for (int i = 0; i < 200 && spring.running(); ++i)
            spring.advance(1.0 / 60.0);
        QVERIFY(!spring.running());
        QCOMPARE(spring.value(), 0.0);
        QVERIFY(values.count() > 5);
    }
};

QTEST_GUILESS_MAIN(SpringTest)
#include "SpringTest.moc"
