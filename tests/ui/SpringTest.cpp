#include "SpringMotion.h"

#include <QTest>

#include <cmath>
#include <numbers>

class SpringTest : public QObject {
    Q_OBJECT

  private slots:
    void matchesTheOscillator()
    {
        // Response, damping fraction, start position and velocity, time: critically, under- and
        // overdamped, from rest and moving.
        const double cases[][5] = {{0.2, 1.0, -1.0, 0.0, 0.05},
                                   {0.3, 0.6, -1.0, 0.0, 0.12},
                                   {0.3, 0.6, 0.5, -7.0, 0.2},
                                   {0.4, 1.8, -1.0, 2.0, 0.3}};
        for (const auto& [response, fraction, position, velocity, dt] : cases) {
            // Reference: x'' = -k x - c x' integrated in tiny semi-implicit Euler steps.
            const double k = std::pow(2.0 * std::numbers::pi / response, 2.0);
            const double c = 4.0 * std::numbers::pi * fraction / response;
            const int steps = 200000;
            optara::ui::SpringState reference{position, velocity};
            for (int i = 0; i < steps; ++i) {
                reference.velocity += (-k * reference.position - c * reference.velocity) * dt / steps;
                reference.position += reference.velocity * dt / steps;
            }
            const auto exact = optara::ui::advanceSpring({position, velocity}, response, fraction, dt);
            QVERIFY2(std::abs(exact.position - reference.position) < 1e-3,
                     qPrintable(QString::number(response)));
            QVERIFY(std::abs(exact.velocity - reference.velocity) < 1e-2);
        }
    }
};

QTEST_GUILESS_MAIN(SpringTest)
#include "SpringTest.moc"
