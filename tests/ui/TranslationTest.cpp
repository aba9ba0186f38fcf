#include "Translation.h"
#include "AppViewModel.h"
#include "PhotoBuilder.h"
#include "WindowDriver.h"
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

using namespace optara::driver;

namespace {

// The texts a person sees in each state of a real window, and the names of the
// window controls, in one locale.
struct Screens {
    bool translated = false;
    QList<QStringList> states; // drop zone, overlay, dashboard, empty card, window controls
    QSet<QString> dataTexts;   // labels and counts that come from the photos
};

// The visible texts below an item, in tree order.
QStringList textsOf(QQuickItem* item)
{
    QStringList texts;
    if (item == nullptr || !item->isVisible())
        return texts;
    if (item->inherits("QQuickText"))
        texts.append(item->property("text").toString());
    for (QQuickItem* child : item->childItems())
        texts += textsOf(child);
    return texts;
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(photos_.isValid());
        // Over a thousand photos, so that a count formatted for the locale would show a separator.
        using optara::testing::Fraction;
        const std::vector<std::uint8_t> photo = optara::testing::photoJpeg({.make = "Canon",
                                                                            .model = "Canon EOS R6",
                                                                            .lens = "RF50mm F1.8 STM",
                                                                            .focalLength = Fraction{50, 1},
                                                                            .fNumber = Fraction{28, 10}});
        const std::filesystem::path root = photos_.path().toStdString();
        for (int i = 0; i < 1200; ++i)
            optara::testing::writeBytes(root / ("p" + std::to_string(i) + ".jpg"), photo);
        optara::testing::writeBytes(root / "bare.jpg", optara::testing::photoJpeg({.make = "FUJIFILM"}));
        english_ = capture(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY(!QTest::currentTestFailed());
    }

    void germanReplacesEveryFixedText()
    {
        const Screens german = capture(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(german.translated);
        QVERIFY(german.states[0].contains(QStringLiteral("Dateien auswählen")));
        QCOMPARE(german.states[1], QStringList{QStringLiteral("Fotos werden verarbeitet...")});
        QVERIFY(german.states[2].contains(QStringLiteral("Fotos analysiert")));
        QCOMPARE(german.states[3], QStringList{QStringLiteral("Keine Daten vorhanden")});
        QCOMPARE(german.states[4], (QStringList{"Schließen", "Minimieren", "Maximieren"}));

        // What stays as in English: the name, the web address, and what the photos say,
        // verbatim (f/2.8, not f/2,8; 1201, not 1.201).
        QSet<QString> unchanged = english_.dataTexts;
        unchanged << QStringLiteral("Optara") << QStringLiteral("optara.app");
        QVERIFY(german.states[2].contains(QStringLiteral("f/2.8")) &&
                german.states[2].contains(QStringLiteral("1201")));
        for (qsizetype s = 0; s < english_.states.size(); ++s) {
            const QStringList& english = english_.states[s];
            QCOMPARE(german.states[s].size(), english.size());
            for (qsizetype i = 0; i < english.size(); ++i)
                QVERIFY2(unchanged.contains(english[i]) == (german.states[s][i] == english[i]),
                         qPrintable(english[i] + QStringLiteral(" -> ") + german.states[s][i]));
        }
    }

    void localesFindTheirLanguage_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("german");
        QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << true;
        QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << false;
        QTest::newRow("C") << QLocale::c() << false;
    }

    void localesFindTheirLanguage()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, german);
        const Screens screens = capture(locale);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(screens.translated, german);
        QCOMPARE(screens.states[0].contains(QStringLiteral("Dateien auswählen")), german);
        if (!german)
            QCOMPARE(screens.states, english_.states);
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
            QVERIFY(window != nullptr && waitShown(window));
            screens.states.append(textsOf(findItem(window, QStringLiteral("dropZone"))));
            AppViewModel* model = WindowManager::viewModel(window);
            model->processURLs({QUrl::fromLocalFile(photos_.path())});
            screens.states.append(textsOf(findItem(window, QStringLiteral("processingOverlay"))));
            QTRY_VERIFY_WITH_TIMEOUT(!model->isProcessing(), 60000);
            QCOMPARE(model->processedImageCount(), 1201);
            QTRY_VERIFY(
                textsOf(findItem(window, QStringLiteral("dashboard"))).contains(QStringLiteral("1201")));
            screens.states.append(textsOf(findItem(window, QStringLiteral("dashboard"))));
            screens.dataTexts.insert(QStringLiteral("1201"));
            for (const QVariantList& rows :
                 {model->topCameras(), model->topLenses(), model->topFocalLengths(), model->topApertures()})
                for (const QVariant& row : rows)
                    screens.dataTexts << row.toMap().value("label").toString()
                                      << row.toMap().value("count").toString();

            QQmlComponent component(&engine);
            component.setData("import Optara.Ui\nStatCard { width: 400; items: [] }", QUrl());
            std::unique_ptr<QObject> card(component.create());
            QVERIFY2(card != nullptr, qPrintable(component.errorString()));
            screens.states.append(
                {card->findChild<QObject*>(QStringLiteral("emptyText"))->property("text").toString()});
            QStringList controls;
            for (const char* name : {"closeControl", "minimiseControl", "maximiseControl"})
                controls.append(findItem(window, QString::fromLatin1(name))->property("label").toString());
            screens.states.append(controls);
        }();
        return screens;
    }

    QTemporaryDir photos_;
    Screens english_;
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
