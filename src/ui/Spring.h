#pragma once

#include <QObject>
#include <QQmlParserStatus>
#include <QtQml/qqmlregistration.h>

class QAbstractAnimation;

namespace optara {

// A value that follows `target` along a damped spring, as the views' hover
// motion does. Bind visuals to `value`; change `target` to start a motion.
// It moves on Qt's animation clock, which Qt Quick paces by the frames its
// windows draw, and leaves the clock when it comes to rest.
class Spring : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    Q_PROPERTY(double target READ target WRITE setTarget NOTIFY targetChanged)
    Q_PROPERTY(double value READ value NOTIFY valueChanged)
    Q_PROPERTY(double response READ response WRITE setResponse NOTIFY responseChanged)
    Q_PROPERTY(
        double dampingFraction READ dampingFraction WRITE setDampingFraction NOTIFY dampingFractionChanged)
    // While false the value stays at the target, with no motion.
    Q_PROPERTY(bool animated READ animated WRITE setAnimated NOTIFY animatedChanged)

  public:
    explicit Spring(QObject* parent = nullptr);

    double target() const { return target_; }
    void setTarget(double target);
    double value() const { return value_; }
    double response() const { return response_; }
    void setResponse(double response);
    double dampingFraction() const { return dampingFraction_; }
    void setDampingFraction(double fraction);
    bool animated() const { return animated_; }
    void setAnimated(bool animated);

    void classBegin() override {}
    void componentComplete() override;

  signals:
    void targetChanged();
    void valueChanged();
    void responseChanged();
    void dampingFractionChanged();
    void animatedChanged();

  private:
    void advance(double seconds);
    // Jumps to the target with no motion.
    void settle();

    double target_ = 0.0;
    double value_ = 0.0;
    double velocity_ = 0.0;
    double response_ = 0.55;
    double dampingFraction_ = 1.0;
    bool complete_ = false;
    bool animated_ = true;
    QAbstractAnimation* frames_;
};

} // namespace optara
