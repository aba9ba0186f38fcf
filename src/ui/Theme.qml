pragma Singleton
import QtQuick

// The palette, type scale, fonts and motion shared by every view.
QtObject {
    readonly property color neoBackground: "#F9F8F6"
    readonly property color neoCard: "#FFFFFF"
    readonly property color neoText: "#1C1917"
    readonly property color neoAccent: "#B91C1C"

    readonly property string defaultFamily: "Inter"
    readonly property string serifFamily: "Noto Serif"
    readonly property string monospacedFamily: "JetBrains Mono"

    // Text styles, in logical pixels.
    readonly property int largeTitle: 26
    readonly property int title: 22
    readonly property int title3: 15
    readonly property int headline: 13
    readonly property int body: 13
    readonly property int subheadline: 11

    // Springs as (response in seconds, damping fraction).
    readonly property real zoneSpringResponse: 0.2
    readonly property real zoneSpringDamping: 1.0
    readonly property real tileSpringResponse: 0.3
    readonly property real tileSpringDamping: 0.6
    // The default animation, used when Restart empties the window.
    readonly property int defaultAnimationDuration: 350

    // Colour between a and b at progress t, held to the ends when a spring overshoots.
    function mix(a, b, t) {
        const p = Math.max(0, Math.min(1, t))
        return Qt.rgba(a.r + (b.r - a.r) * p, a.g + (b.g - a.g) * p,
                       a.b + (b.b - a.b) * p, a.a + (b.a - a.a) * p)
    }
}
