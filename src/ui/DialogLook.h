#pragma once

class QObject;

namespace optara {

// Dresses the widget dialogs made from now on as the app's windows are dressed:
// Fusion, whose flat frames match them, with the palette and type of `theme`
// (the Theme singleton), and the desktop's icons, Adwaita's where the desktop
// names no theme. The app's views are no widgets and keep their own look.
void useAppLookInDialogs(const QObject& theme);

} // namespace optara
