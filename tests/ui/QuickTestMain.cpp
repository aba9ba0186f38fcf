#include "DragHelper.h"
#include "WindowDriver.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)
Q_IMPORT_QML_PLUGIN(Optara_ViewModelPlugin)

// Gives the QML tests the views module, desktop drag events (DragEvents) and what a user would drop
// from a tree of made-up photos (photoTree).
class Setup : public QObject {
    Q_OBJECT

  public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/"));
        qmlRegisterSingletonType<DragHelper>("Optara.Testing", 1, 0, "DragEvents",
                                             [](QQmlEngine*, QJSEngine*) { return new DragHelper; });
        const auto tree = optara::driver::writePhotoTree(photos_.path().toStdString());
        engine->rootContext()->setContextProperty("photoTree", QVariant::fromValue(tree.dropped));
    }

  private:
    QTemporaryDir photos_;
};

QUICK_TEST_MAIN_WITH_SETUP(optara_views, Setup)

#include "QuickTestMain.moc"
