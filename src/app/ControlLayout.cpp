// GIO's headers name members "signals", which Qt defines as a keyword: they come first.
#include <gio/gio.h>

#include "ControlLayout.h"

#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace optara {

namespace {

const QStringList controlNames{QStringLiteral("close"), QStringLiteral("minimize"),
                               QStringLiteral("maximize")};

// Appends each known, not yet placed name to one side.
void place(ControlLayout& layout, QStringList& side, const QStringList& names)
{
    for (const QString& name : names)
        if (controlNames.contains(name) && !layout.left.contains(name) && !layout.right.contains(name))
            side.append(name);
}

QStringList fromLetters(QStringView letters)
{
    QStringList names;
    for (const QChar letter : letters)
        if (const qsizetype at = QStringView(u"XIA").indexOf(letter); at >= 0)
            names.append(controlNames.at(at));
    return names;
}

template <typename T> struct GObjectUnref {
    void operator()(T* object) const { g_object_unref(object); }
};

// GNOME's button-layout, read through GSettings; nothing when the schema is not installed,
// as g_settings_new would abort.
std::optional<QString> gnomeButtonLayout()
{
    const char* const schemaId = "org.gnome.desktop.wm.preferences";
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    const std::unique_ptr<GSettingsSchema, decltype(&g_settings_schema_unref)> schema(
        source != nullptr ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr,
        &g_settings_schema_unref);
    if (schema == nullptr || !g_settings_schema_has_key(schema.get(), "button-layout"))
        return std::nullopt;
    const std::unique_ptr<GSettings, GObjectUnref<GSettings>> settings(
        g_settings_new_full(schema.get(), nullptr, nullptr));
    const std::unique_ptr<gchar, decltype(&g_free)> layout(
        g_settings_get_string(settings.get(), "button-layout"), &g_free);
    return QString::fromUtf8(layout.get());
}

// KWin's buttons from the user's kwinrc, with KWin's own defaults where it sets none.
ControlLayout kdeButtons()
{
    const QSettings kwinrc(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               QStringLiteral("/kwinrc"),
                           QSettings::IniFormat);
    const QString group = QStringLiteral("org.kde.kdecoration2/");
    return ControlLayout::fromKde(
        kwinrc.value(group + QStringLiteral("ButtonsOnLeft"), QStringLiteral("M")).toString(),
        kwinrc.value(group + QStringLiteral("ButtonsOnRight"), QStringLiteral("IAX")).toString());
}

} // namespace

ControlLayout ControlLayout::standard()
{
    return {{}, {QStringLiteral("minimize"), QStringLiteral("maximize"), QStringLiteral("close")}};
}

ControlLayout ControlLayout::fromGnome(QStringView layout)
{
    const qsizetype colon = layout.indexOf(u':');
    const auto names = [](QStringView side) {
        QStringList trimmed;
        for (const QStringView name : side.split(u','))
            trimmed.append(name.trimmed().toString());
        return trimmed;
    };
    ControlLayout result;
    place(result, result.left, names(layout.left(colon >= 0 ? colon : layout.size())));
    if (colon >= 0)
        place(result, result.right, names(layout.sliced(colon + 1)));
    return result;
}

ControlLayout ControlLayout::fromKde(QStringView left, QStringView right)
{
    ControlLayout result;
    place(result, result.left, fromLetters(left));
    place(result, result.right, fromLetters(right));
    return result;
}

ControlLayout ControlLayout::ofDesktop()
{
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':')) {
        if (desktop == QStringLiteral("GNOME") || desktop.startsWith(QStringLiteral("GNOME-"))) {
            const std::optional<QString> layout = gnomeButtonLayout();
            return layout ? fromGnome(*layout) : standard();
        }
        if (desktop == QStringLiteral("KDE"))
            return kdeButtons();
    }
    return standard();
}

} // namespace optara
