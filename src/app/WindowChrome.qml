pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Window
import Optara.Ui

// What a title bar would give a frameless window: a strip to drag it by, small
// close/minimise/maximise controls, and edges to resize it from.
Item {
    id: chrome

    required property Window window
    // Set from the window's state signal: in Qt 6.4 its visibility
    // property does not announce maximising.
    property bool maximised: false
    readonly property int stripHeight: 28
    readonly property int edge: 6

    Connections {
        target: chrome.window
        function onWindowStateChanged(state) {
            chrome.maximised = state === Qt.WindowMaximized || state === Qt.WindowFullScreen
        }
    }

    function toggleMaximised() {
        if (chrome.maximised)
            chrome.window.showNormal()
        else
            chrome.window.showMaximized()
    }

    // The move starts only once the pointer travels: a move begun on press hands the
    // pointer to the window manager, and a double-click would never arrive.
    MouseArea {
        objectName: "dragStrip"
        property point pressedAt
        property bool started: false
        property bool byHand: false
        x: controls.x + controls.width + 8
        width: parent.width - x - chrome.edge
        y: chrome.edge
        height: chrome.stripHeight - chrome.edge
        onPressed: (mouse) => {
            pressedAt = Qt.point(mouse.x, mouse.y)
            started = false
        }
        onPositionChanged: (mouse) => {
            const dx = mouse.x - pressedAt.x
            const dy = mouse.y - pressedAt.y
            if (!started) {
                if (Math.hypot(dx, dy) < Qt.styleHints.startDragDistance)
                    return
                started = true
                // With no window manager to move it, the strip moves the window itself.
                byHand = !chrome.window.startSystemMove()
            }
            if (byHand) {
                chrome.window.x += dx
                chrome.window.y += dy
            }
        }
        onDoubleClicked: chrome.toggleMaximised()
    }

    Row {
        id: controls
        objectName: "windowControls"
        x: 14
        y: 8
        spacing: 10

        component ControlButton: Item {
            id: control
            property string role: ""
            property string label: ""
            signal activated()
            width: 14
            height: 14
            Accessible.role: Accessible.Button
            Accessible.name: label
            Accessible.onPressAction: control.activated()

            HardShadowBox {
                anchors.fill: parent
                faceColor: hover.containsMouse ? Theme.neoAccent : Theme.neoCard
                shadowX: hover.pressed ? 0 : 2
                shadowY: shadowX
                strokeWidth: 2
                transform: Translate { x: hover.pressed ? 2 : 0; y: hover.pressed ? 2 : 0 }

                // The glyph: a cross, a bar or a square, in the outline's colour.
                Rectangle {
                    visible: control.role === "close"
                    anchors.centerIn: parent
                    width: 8; height: 2
                    rotation: 45
                    color: hover.containsMouse ? Theme.neoCard : Theme.neoText
                }
                Rectangle {
                    visible: control.role === "close"
                    anchors.centerIn: parent
                    width: 8; height: 2
                    rotation: -45
                    color: hover.containsMouse ? Theme.neoCard : Theme.neoText
                }
                Rectangle {
                    visible: control.role === "minimise"
                    anchors.centerIn: parent
                    width: 6; height: 2
                    color: hover.containsMouse ? Theme.neoCard : Theme.neoText
                }
                Rectangle {
                    visible: control.role === "maximise"
                    anchors.centerIn: parent
                    width: 6; height: 6
                    color: "transparent"
                    border.width: 2
                    border.color: hover.containsMouse ? Theme.neoCard : Theme.neoText
                }
            }
            MouseArea {
                id: hover
                anchors.fill: parent
                anchors.margins: -3
                hoverEnabled: true
                onClicked: control.activated()
            }
        }

        ControlButton {
            objectName: "closeControl"
            role: "close"
            label: qsTr("Close")
            onActivated: chrome.window.close()
        }
        ControlButton {
            objectName: "minimiseControl"
            role: "minimise"
            label: qsTr("Minimize")
            onActivated: chrome.window.showMinimized()
        }
        ControlButton {
            objectName: "maximiseControl"
            role: "maximise"
            label: chrome.maximised ? qsTr("Restore") : qsTr("Maximize")
            onActivated: chrome.toggleMaximised()
        }
    }

    component ResizeEdge: MouseArea {
        property int edges: 0
        enabled: !chrome.maximised
        onPressed: chrome.window.startSystemResize(edges)
    }

    ResizeEdge { edges: Qt.TopEdge; x: chrome.edge; width: parent.width - 2 * chrome.edge; height: chrome.edge; cursorShape: Qt.SizeVerCursor }
    ResizeEdge { edges: Qt.BottomEdge; x: chrome.edge; y: parent.height - height; width: parent.width - 2 * chrome.edge; height: chrome.edge; cursorShape: Qt.SizeVerCursor }
    ResizeEdge { edges: Qt.LeftEdge; y: chrome.edge; width: chrome.edge; height: parent.height - 2 * chrome.edge; cursorShape: Qt.SizeHorCursor }
    ResizeEdge { edges: Qt.RightEdge; x: parent.width - width; y: chrome.edge; width: chrome.edge; height: parent.height - 2 * chrome.edge; cursorShape: Qt.SizeHorCursor }
    ResizeEdge { edges: Qt.TopEdge | Qt.LeftEdge; width: chrome.edge; height: chrome.edge; cursorShape: Qt.SizeFDiagCursor }
    ResizeEdge { edges: Qt.TopEdge | Qt.RightEdge; x: parent.width - width; width: chrome.edge; height: chrome.edge; cursorShape: Qt.SizeBDiagCursor }
    ResizeEdge { edges: Qt.BottomEdge | Qt.LeftEdge; y: parent.height - height; width: chrome.edge; height: chrome.edge; cursorShape: Qt.SizeBDiagCursor }
    ResizeEdge { edges: Qt.BottomEdge | Qt.RightEdge; x: parent.width - width; y: parent.height - height; width: chrome.edge; height: chrome.edge; cursorShape: Qt.SizeFDiagCursor }
}
