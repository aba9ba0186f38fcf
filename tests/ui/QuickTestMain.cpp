#include "DragHelper.h"
#include "WindowDriver.h"

#include <QJSEngine>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)
Q_IMPORT_QML_PLUGIN(Optara_ViewModelPlugin)

namespace {

// Photos.tree: what a user would drop from a tree of made-up photos, two files and a folder.
QJSValue photos(QQmlEngine*, QJSEngine* js)
{
    static QTemporaryDir dir;
    static const optara::driver::PhotoTree tree = optara::driver::writePhotoTree(dir.path().toStdString());
    QJSValue value = js->newObject();
    value.setProperty(QStringLiteral("tree"), js->toScriptValue(tree.dropped));
    return value;
}

} // namespace

// Gives the QML tests the views module, real desktop drag events and photos on disk.
class Setup : public QObject {
    Q_OBJECT

  public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/"));
        qmlRegisterSingletonType<DragHelper>(
            "Optara.Testing", 1, 0, "DragEvents",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new DragHelper; });
        qmlRegisterSingletonType("Optara.Testing", 1, 0, "Photos", photos);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(optara_views, Setup)

#include "QuickTestMain.moc"
