import QtQuick
import Optara.Ui

// An indeterminate progress indicator: twelve spokes fading round a circle,
// drawn once as one image and turned. `drawnScale` enlarges the wheel about its
// centre without changing the room it takes, as a scale would, but draws it at
// its final size in whole pixels, which every renderer shows alike.
Item {
    id: spinner

    property color color: Theme.neoAccent
    property bool running: true
    property real drawnScale: 1

    implicitWidth: 32
    implicitHeight: 32

    SymbolIcon {
        anchors.centerIn: parent
        width: Math.round(spinner.width * spinner.drawnScale)
        height: width
        name: "progress.spinner"
        color: spinner.color

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: spinner.running && spinner.visible
        }
    }
}
