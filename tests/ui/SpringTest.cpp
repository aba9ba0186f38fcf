#include "SpringMotion.h"

#include <QTest>

#include <cmath>
#include <numbers>

using optara::ui::advanceSpring;
using optara::ui::SpringState;

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
    }

    void matchesTheOscillator()
    {
        QFETCH(double, response);
        QFETCH(double, fraction);
        QFETCH(double, position);
        QFETCH(double, velocity);
        QFETCH(double, dt);
        // Reference: x'' = -k x - c x' integrated in tiny semi-implicit Euler steps.
        const double k = std::pow(2.0 * std::numbers::pi / response, 2.0);
        const double c = 4.0 * std::numbers::pi * fraction / response;
        SpringState reference{position, velocity};
        const int steps = 200000;
        for (int i = 0; i < steps; ++i) {
            reference.velocity += (-k * reference.position - c * reference.velocity) * dt / steps;
            reference.position += reference.velocity * dt / steps;
        }
        const SpringState exact = advanceSpring({position, velocity}, response, fraction, dt);
        QVERIFY2(std::abs(exact.position - reference.position) < 1e-3,
                 qPrintable(QStringLiteral("%1 vs %2").arg(exact.position).arg(reference.position)));
        QVERIFY(std::abs(exact.velocity - reference.velocity) < 1e-2);
    }
};

QTEST_GUILESS_MAIN(SpringTest)
#include "SpringTest.moc"
