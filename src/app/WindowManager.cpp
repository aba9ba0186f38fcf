#include "WindowManager.h"

#include "AppViewModel.h"
#include "CompositorPlacesWindows.h"
#include "WindowPlacement.h"

#include <QCoreApplication>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QScreen>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)
Q_IMPORT_QML_PLUGIN(Optara_ViewModelPlugin)

namespace optara {

namespace {
const char* const viewModelKey = "optaraViewModel";
}

WindowManager::WindowManager(QQmlEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine), component_(&engine)
{
    // The views module lives in the resources; it must be findable before the window compiles.
    engine_.addImportPath(QStringLiteral("qrc:/"));
    component_.loadUrl(QUrl(QStringLiteral("qrc:/Optara/App/AppWindow.qml")));
    if (component_.isError())
        qWarning().noquote() << component_.errorString();
}

WindowManager::~WindowManager()
{
    for (const auto& window : std::as_const(windows_))
        delete window.data();
}

QQuickWindow* WindowManager::newWindow()
{
    auto* model = new AppViewModel;
    QObject* object =
        component_.createWithInitialProperties({{QStringLiteral("viewModel"), QVariant::fromValue(model)},
                                                {QStringLiteral("shell"), QVariant::fromValue(this)},
                                                {QStringLiteral("leftControls"), controls_.left},
                                                {QStringLiteral("rightControls"), controls_.right}});
    auto* window = qobject_cast<QQuickWindow*>(object);
    if (window == nullptr) {
        qWarning().noquote() << component_.errorString();
        delete object;
        delete model;
        return nullptr;
    }
    QQmlEngine::setObjectOwnership(window, QQmlEngine::CppOwnership);
    // The window owns its model: closing it ends the model's runs, which then
    // read no further.
    model->setParent(window);
    window->setProperty(viewModelKey, QVariant::fromValue(model));
    place(window);
    windows_.append(window);
    connect(window, &QWindow::visibleChanged, this, [this, window](bool visible) {
        if (!visible)
            release(window);
    });
    connect(window, &QWindow::activeChanged, this, [this, window] {
        if (window->isActive() && windows_.removeOne(window))
            windows_.append(window);
    });
    window->show();
    window->requestActivate();
    return window;
}

void WindowManager::quit()
{
    QCoreApplication::quit();
}

QList<QQuickWindow*> WindowManager::windows() const
{
    QList<QQuickWindow*> open;
    for (const auto& window : windows_)
        if (window)
            open.append(window.data());
    return open;
}

AppViewModel* WindowManager::viewModel(const QQuickWindow* window)
{
    return window != nullptr ? window->property(viewModelKey).value<AppViewModel*>() : nullptr;
}

void WindowManager::place(QQuickWindow* window) const
{
    const QQuickWindow* previous = windows_.isEmpty() ? nullptr : windows_.last().data();
    if (previous != nullptr)
        window->setScreen(previous->screen());
    // Where the compositor places windows there is no position to cascade from: each is sized as the first.
    const bool placedByCompositor = compositorPlacesWindows();
    const WindowPlacement placement =
        WindowPlacement::on(window->screen()->availableGeometry(),
                            previous != nullptr && !placedByCompositor ? previous->geometry() : QRect());
    window->setMinimumSize(placement.minimumSize);
    if (placedByCompositor)
        window->resize(placement.geometry.size());
    else
        window->setGeometry(placement.geometry);
}

void WindowManager::release(QQuickWindow* window)
{
    if (!windows_.removeOne(window))
        return;
    // Without this the remaining window takes no keys until clicked (and never, with no window manager).
    if (!windows_.isEmpty())
        windows_.last()->requestActivate();
    window->deleteLater();
}

} // namespace optara
