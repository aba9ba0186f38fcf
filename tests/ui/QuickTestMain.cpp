#include "DragHelper.h"
#include "WindowDriver.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)
Q_IMPORT_QML_PLUGIN(Optara_ViewModelPlugin)

// The views module, desktop drags (DragEvents) and a drop of made-up photos (photoTree) for the QML tests.
class Setup : public QObject {
    Q_OBJECT

  public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/"));
        qmlRegisterSingletonType<optara::driver::DragHelper>(
            "Optara.Testing", 1, 0, "DragEvents",
            [](QQmlEngine*, QJSEngine*) { return new optara::driver::DragHelper; });
        static const QTemporaryDir photos;
        const auto tree = optara::driver::writePhotoTree(photos.path().toStdString());
        engine->rootContext()->setContextProperty("photoTree", QVariant::fromValue(tree.dropped));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(optara_views, Setup)

#include "QuickTestMain.moc"
