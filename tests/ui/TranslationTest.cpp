#include "Translation.h"
#include "AppViewModel.h"
#include "PhotoBuilder.h"
#include "ShellHarness.h"
#include "WindowManager.h"

#include <QApplication>
#include <QLocale>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace optara::shell_testing;

namespace {

// The texts a person sees in each state of a real window, in one locale.
struct Screens {
    bool translated = false;
    QStringList dropZone;
    QStringList overlay;
    QStringList dashboard;
    QStringList emptyCard;
    QSet<QString> dataTexts; // labels and counts that come from the photos
};

void collectTexts(QQuickItem* item, QStringList& texts)
{
    if (item == nullptr || !item->isVisible())
        return;
    if (item->inherits("QQuickText"))
        texts.append(item->property("text").toString());
    for (QQuickItem* child : item->childItems())
        collectTexts(child, texts);
}

QStringList textsOf(QQuickItem* item)
{
    QStringList texts;
    collectTexts(item, texts);
    return texts;
}

void addRows(QSet<QString>& into, const QVariantList& rows)
{
    for (const QVariant& row : rows) {
        const QVariantMap map = row.toMap();
        into.insert(map.value(QStringLiteral("label")).toString());
        into.insert(QString::number(map.value(QStringLiteral("count")).toLongLong()));
    }
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(photos_.isValid());
        // Over a thousand photos, so that a count formatted for the locale would show a separator.
        const std::filesystem::path root = photos_.path().toStdString();
        optara::testing::PhotoFields full;
        full.make = "Canon";
        full.model = "Canon EOS R6";
        full.lens = "RF50mm F1.8 STM";
        full.focalLength = {50, 1};
        full.fNumber = {28, 10};
        const std::vector<std::uint8_t> fullPhoto = optara::testing::photoJpeg(full);
        for (int i = 0; i < 1200; ++i)
            optara::testing::writeBytes(root / ("p" + std::to_string(i) + ".jpg"), fullPhoto);
        optara::testing::PhotoFields bare;
        bare.make = "FUJIFILM";
        optara::testing::writeBytes(root / "bare.jpg", optara::testing::photoJpeg(bare));

        english_ = capture(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(!QTest::currentTestFailed());
    }

    void germanReplacesEveryFixedText()
    {
        const Screens german = capture(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(german.translated);

        QVERIFY(german.dropZone.contains(QStringLiteral("Dateien auswählen")));
        QVERIFY(german.dropZone.contains(QStringLiteral("Fotos hier ablegen")));
        QCOMPARE(german.overlay, QStringList{QStringLiteral("Fotos werden verarbeitet...")});
        QVERIFY(german.dashboard.contains(QStringLiteral("Fotos analysiert")));
        QVERIFY(german.dashboard.contains(QStringLiteral("Kameras")));
        QCOMPARE(german.emptyCard, QStringList{QStringLiteral("Keine Daten vorhanden")});

        // What stays as in English: the name, the web address, and what the photos say,
        // verbatim (f/2.8, not f/2,8; 1201, not 1.201).
        QSet<QString> unchanged = english_.dataTexts;
        unchanged << QStringLiteral("Optara") << QStringLiteral("optara.app");
        const auto compare = [&unchanged](const QStringList& english, const QStringList& translated) {
            QCOMPARE(translated.size(), english.size());
            for (qsizetype i = 0; i < english.size(); ++i) {
                if (unchanged.contains(english[i]))
                    QCOMPARE(translated[i], english[i]);
                else
                    QVERIFY2(translated[i] != english[i],
                             qPrintable(english[i] + QStringLiteral(" is not translated")));
            }
        };
        compare(english_.dropZone, german.dropZone);
        compare(english_.overlay, german.overlay);
        compare(english_.dashboard, german.dashboard);
        compare(english_.emptyCard, german.emptyCard);
        QVERIFY(german.dashboard.contains(QStringLiteral("f/2.8")));
        QVERIFY(german.dashboard.contains(QString::number(1201)));
    }

    void localesFindTheirLanguage_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("german");
        QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << true;
        QTest::newRow("de_CH") << QLocale(QLocale::German, QLocale::Switzerland) << true;
        QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << false;
        QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << false;
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << false;
        QTest::newRow("C") << QLocale::c() << false;
    }

    void localesFindTheirLanguage()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, german);
        const Screens screens = capture(locale);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(screens.translated, german);
        QCOMPARE(screens.dropZone.contains(QStringLiteral("Dateien auswählen")), german);
        if (!german) {
            QCOMPARE(screens.dropZone, english_.dropZone);
            QCOMPARE(screens.overlay, english_.overlay);
            QCOMPARE(screens.dashboard, english_.dashboard);
            QCOMPARE(screens.emptyCard, english_.emptyCard);
        }
    }

  private:
    // Opens a window under the locale's translation, as the application does, and
    // reads it in each state: drop zone, processing, dashboard; and an empty card.
    Screens capture(const QLocale& locale)
    {
        Screens screens;
        const Translation translation(locale);
        screens.translated = translation.isLoaded();

        QQmlEngine engine;
        WindowManager manager(engine);
        QQuickWindow* window = manager.newWindow();
        [&] {
            QVERIFY(window != nullptr);
            QVERIFY(waitShown(window));
            QTRY_VERIFY(findItem(window, QStringLiteral("dropZone")) != nullptr);
            screens.dropZone = textsOf(findItem(window, QStringLiteral("dropZone")));

            AppViewModel* model = WindowManager::viewModel(window);
            model->processURLs({QUrl::fromLocalFile(photos_.path())});
            QVERIFY(model->isProcessing());
            screens.overlay = textsOf(findItem(window, QStringLiteral("processingOverlay")));

            QTRY_VERIFY_WITH_TIMEOUT(!model->isProcessing(), 60000);
            QCOMPARE(model->processedImageCount(), 1201);
            QTRY_VERIFY(findItem(window, QStringLiteral("dashboard")) != nullptr);
            QQuickItem* dashboard = findItem(window, QStringLiteral("dashboard"));
            QTRY_VERIFY(textsOf(dashboard).contains(QString::number(model->processedImageCount())));
            screens.dashboard = textsOf(dashboard);
            screens.dataTexts.insert(QString::number(model->processedImageCount()));
            for (const QVariantList& rows :
                 {model->topCameras(), model->topLenses(), model->topFocalLengths(), model->topApertures()})
                addRows(screens.dataTexts, rows);

            QQmlComponent component(&engine);
            component.setData("import Optara.Ui\nStatCard { width: 400; items: []; icon: \"scope\" }",
                              QUrl());
            std::unique_ptr<QObject> card(component.create());
            QVERIFY2(card != nullptr, qPrintable(component.errorString()));
            screens.emptyCard = {
                findItem(qobject_cast<QQuickItem*>(card.get()), QStringLiteral("emptyText"))
                    ->property("text")
                    .toString()};
        }();
        return screens;
    }

    QTemporaryDir photos_;
    Screens english_;
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
