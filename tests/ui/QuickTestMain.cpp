#include "DragHelper.h"

#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)

// Gives the QML tests the views module and real desktop drag events.
class Setup : public QObject {
    Q_OBJECT

  public slots:
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/"));
        qmlRegisterSingletonType<DragHelper>(
            "Optara.Testing", 1, 0, "DragEvents",
            [](QQmlEngine*, QJSEngine*) -> QObject* { return new DragHelper; });
    }
};

QUICK_TEST_MAIN_WITH_SETUP(optara_views, Setup)

#include "QuickTestMain.moc"
