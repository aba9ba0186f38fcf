#include "DragHelper.h"
#include "StatListModel.h"
#include "SymbolArtwork.h"
#include "Translation.h"
#include "WindowDriver.h"

#include <QAnimationDriver>
#include <QLocale>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Optara_UiPlugin)
Q_IMPORT_QML_PLUGIN(Optara_ViewModelPlugin)

// Qt's animation clock, ticked by a timer as Qt's own is offscreen, so that the tests see whether it
// runs: while it does, a window draws frame after frame.
class AnimationClock : public QAnimationDriver {
    QTimer ticks_;
    void start() override { QAnimationDriver::start(), ticks_.start(16); }
    void stop() override { ticks_.stop(), QAnimationDriver::stop(); }

  public:
    AnimationClock()
    {
        connect(&ticks_, &QTimer::timeout, this, [this] { advance(); });
    }
};

// The views module, desktop drags (DragEvents), a drop of made-up photos (photoTree), whether the
// animation clock runs (animating()), the count of symbols parsed (symbolParses()) and ranked lists of
// any rows (statList()) for the QML tests, with the app's English texts.
class Setup : public QObject {
    Q_OBJECT
    AnimationClock clock_;

  public:
    Q_INVOKABLE bool animating() const { return clock_.isRunning(); }
    Q_INVOKABLE int symbolParses() const { return optara::SymbolArtwork::shared().parses(); }

    // A list of rows given as {label, count}, owned by the caller.
    Q_INVOKABLE optara::StatListModel* statList(const QVariantList& rows) const
    {
        std::vector<optara::StatItem> items;
        for (const QVariant& row : rows)
            items.emplace_back(row.toMap().value("label").toString().toStdString(),
                               row.toMap().value("count").toLongLong());
        auto* list = new optara::StatListModel;
        optara::StatListModel::replaceTogether(std::array{list}, std::span(&items, 1));
        return list;
    }

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
        clock_.install();
        engine->rootContext()->setContextProperty("setup", this);
        const auto* english = new optara::Translation(QLocale::c());
        connect(engine, &QObject::destroyed, [english] { delete english; });
    }
};

QUICK_TEST_MAIN_WITH_SETUP(optara_views, Setup)

#include "QuickTestMain.moc"
