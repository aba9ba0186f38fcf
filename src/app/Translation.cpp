#include "Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace optara {

Translation::Translation(const QLocale& locale)
{
    if (!own_.load(locale, QStringLiteral("optara"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        return;
    QCoreApplication::installTranslator(&own_);
    if (qt_.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
}

Translation::~Translation()
{
    QCoreApplication::removeTranslator(&qt_);
    QCoreApplication::removeTranslator(&own_);
}

} // namespace optara
