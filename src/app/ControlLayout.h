#pragma once

#include <QStringList>
#include <QStringView>

namespace optara {

// Where the window's own controls sit, as the desktop arranges its title bars:
// the names "close", "minimize" and "maximize" at the left and at the right, each
// in the order drawn and each control at most once.
struct ControlLayout {
    QStringList left;
    QStringList right;

    bool operator==(const ControlLayout&) const = default;

    // Top right, all three: where a desktop that publishes no layout has them.
    static ControlLayout standard();
    // GNOME's button-layout, "appmenu:minimize,maximize,close": the names left of the
    // colon go left, the rest right; other names (appmenu, spacer) are passed over.
    static ControlLayout fromGnome(QStringView layout);
    // KWin's ButtonsOnLeft and ButtonsOnRight: X closes, I minimises, A maximises;
    // other letters are passed over.
    static ControlLayout fromKde(QStringView left, QStringView right);
    // The running desktop's, chosen by XDG_CURRENT_DESKTOP and read, never written,
    // from its settings; standard() on any other desktop.
    static ControlLayout ofDesktop();
};

} // namespace optara
