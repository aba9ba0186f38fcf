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
