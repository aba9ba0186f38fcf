#include "Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace optara {

Translation::Translation(const QLocale& locale)
{
    // English needs a catalogue of its own only for its plural forms, and it
    // stands in for every language that has none.
    const bool matched =
        own_.load(locale, QStringLiteral("optara"), QStringLiteral("_"), QStringLiteral(":/i18n"));
    if (!matched && !own_.load(QStringLiteral(":/i18n/optara_en")))
        return;
    QCoreApplication::installTranslator(&own_);
    if (matched && qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
}

Translation::~Translation()
{
    QCoreApplication::removeTranslator(&qt_);
    QCoreApplication::removeTranslator(&own_);
}

} // namespace optara
