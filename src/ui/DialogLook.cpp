#include "DialogLook.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QStyle>

namespace optara {

namespace {

QColor colour(const QObject& theme, const char* name, float opacity = 1.0F)
{
    QColor colour = theme.property(name).value<QColor>();
    colour.setAlphaF(opacity);
    return colour;
}

QPalette appPalette(const QObject& theme)
{
    QPalette palette = QApplication::style()->standardPalette();
    const QColor background = colour(theme, "neoBackground"), card = colour(theme, "neoCard");
    const QColor text = colour(theme, "neoText"), accent = colour(theme, "neoAccent");
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::AlternateBase, background);
        palette.setColor(group, QPalette::Base, card);
        palette.setColor(group, QPalette::Button, card);
        palette.setColor(group, QPalette::ToolTipBase, card);
        for (const auto role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
            palette.setColor(group, role, text);
        palette.setColor(group, QPalette::PlaceholderText, colour(theme, "neoText", 0.6F));
        palette.setColor(group, QPalette::Highlight, accent);
        palette.setColor(group, QPalette::HighlightedText, card);
        palette.setColor(group, QPalette::Link, accent);
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, background);
    palette.setColor(QPalette::Disabled, QPalette::Base, background);
    palette.setColor(QPalette::Disabled, QPalette::Button, background);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, colour(theme, "neoText", 0.4F));
    return palette;
}

} // namespace

void useAppLookInDialogs(const QObject& theme)
{
    // The style, the icons and the tool buttons' icons are read as a dialog is
    // built; the style is the application's, as a widget's own reaches none of
    // its children.
    if (QApplication::style()->name() != QStringLiteral("fusion"))
        QApplication::setStyle(QStringLiteral("Fusion"));
    // Qt's generic desktop names only the bare hicolor theme, which has no
    // folder or arrow icons.
    if (const QString name = QIcon::themeName(); name.isEmpty() || name == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setPalette(appPalette(theme), "QWidget");
    QFont font(theme.property("defaultFamily").toString());
    font.setPixelSize(theme.property("body").toInt());
    QApplication::setFont(font, "QWidget");
}

} // namespace optara
