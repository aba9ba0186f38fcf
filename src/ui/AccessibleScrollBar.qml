import QtQuick
import QtQuick.Controls.Basic as Controls

// A scroll bar that assistive technology sees with each action once, and not at
// all while hidden: Qt's own lists Increase and Decrease twice, so it stands aside
// for an item in its place that speaks for it.
Controls.ScrollBar {
    id: bar

    // What a screen reader calls it.
    property string name: ""

    // Once complete: a control made while assistive technology is on exposes itself
    // as it completes, whatever was declared.
    Component.onCompleted: Accessible.ignored = true

    // The style's handle, shown and faded as the style's own, but square and on
    // whole pixels, which every renderer draws alike.
    contentItem: Item {
        implicitWidth: bar.interactive ? 6 : 2
        implicitHeight: bar.interactive ? 6 : 2
        opacity: 0.0

        Rectangle {
            x: Math.round(parent.x) - parent.x
            y: Math.round(parent.y) - parent.y
            width: Math.round(parent.x + parent.width) - Math.round(parent.x)
            height: Math.round(parent.y + parent.height) - Math.round(parent.y)
            color: bar.pressed ? bar.palette.dark : bar.palette.mid
        }

        states: State {
            name: "active"
            when: bar.policy === Controls.ScrollBar.AlwaysOn || (bar.active && bar.size < 1.0)
            PropertyChanges { bar.contentItem.opacity: 0.75 }
        }
        transitions: Transition {
            from: "active"
            SequentialAnimation {
                PauseAnimation { duration: 450 }
                NumberAnimation { target: bar.contentItem; duration: 200; property: "opacity"; to: 0.0 }
            }
        }
    }

    Item {
        objectName: "scrollBarAccess"
        anchors.fill: parent
        Accessible.role: Accessible.ScrollBar
        Accessible.name: bar.name
        Accessible.ignored: !bar.visible
        // Read through the value interface: how far the view is scrolled.
        readonly property real value: bar.position
        readonly property real minimumValue: 0
        readonly property real maximumValue: 1 - bar.size

        // Called for the actions the ScrollBar role lists.
        function accessibleIncreaseAction() { bar.increase() }
        function accessibleDecreaseAction() { bar.decrease() }
    }
}
