pragma ComponentBehavior: Bound
import QtQuick

// An indeterminate progress indicator: twelve spokes fading round a circle.
Item {
    id: spinner

    property color color: Theme.neoAccent
    property bool running: true

    implicitWidth: 32
    implicitHeight: 32

    Item {
        id: wheel
        anchors.fill: parent

        Repeater {
            model: 12

            Rectangle {
                id: spoke
                required property int index
                x: (wheel.width - width) / 2
                y: 0
                width: wheel.width * 0.09
                height: wheel.height * 0.28
                radius: width / 2
                color: spinner.color
                opacity: 0.2 + 0.8 * (index / 11)
                transform: Rotation {
                    origin.x: spoke.width / 2
                    origin.y: wheel.height / 2
                    angle: spoke.index * 30
                }
            }
        }

        RotationAnimator on rotation {
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
            running: spinner.running && spinner.visible
        }
    }
}
