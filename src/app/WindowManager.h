#pragma once

#include "ControlLayout.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlComponent>

class QQmlEngine;
class QQuickWindow;

namespace optara {

class AppViewModel;

// Opens the app's one kind of window, each with a view model of its own, and
// releases both when the window closes; the window last active then takes over.
// Closing the last window quits.
class WindowManager : public QObject {
    Q_OBJECT

  public:
    explicit WindowManager(QQmlEngine& engine, QObject* parent = nullptr);
    ~WindowManager() override;

    // Opens and shows a new window; nullptr if the window could not be built.
    Q_INVOKABLE QQuickWindow* newWindow();
    Q_INVOKABLE void quit();

    // The open windows, the one last active at the end.
    QList<QQuickWindow*> windows() const;
    static AppViewModel* viewModel(const QQuickWindow* window);

  private:
    // Sizes a new window to its screen and cascades it from the one last active;
    // under Wayland, where the compositor places windows, it only sizes it.
    void place(QQuickWindow* window) const;
    void release(QQuickWindow* window);

    QQmlEngine& engine_;
    QQmlComponent component_;
    // Read once, as the desktop's own windows take a changed layout only when they open anew.
    const ControlLayout controls_ = ControlLayout::ofDesktop();
    QList<QPointer<QQuickWindow>> windows_;
};

} // namespace optara
