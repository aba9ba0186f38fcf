pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Window
import QtQuick.Templates as T
import Optara.Ui

// What a title bar would give a frameless window: a strip to drag it by, small
// close/minimise/maximise controls where the desktop puts its own, and edges to
// resize it from.
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

    // The desktop's arrangement: names ("close", "minimize", "maximize") at the left
    // and at the right end of the strip, each in the order drawn.
    property list<string> leftControls: []
    property list<string> rightControls: []

    function activate(control) {
        if (control === "close")
            chrome.window.close()
        else if (control === "minimize")
            chrome.window.showMinimized()
        else
            chrome.toggleMaximised()
    }

    // Between the controls, wherever they sit. The move starts only once the pointer
    // travels: a move begun on press hands the pointer to the window manager, and a
    // double-click would never arrive.
    MouseArea {
        objectName: "dragStrip"
        property point pressedAt
        property bool started: false
        property bool byHand: false
        x: leftRow.width > 0 ? leftRow.x + leftRow.width + 8 : chrome.edge
        width: (rightRow.width > 0 ? rightRow.x - 8 : parent.width - chrome.edge) - x
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

    // A small square face with its glyph, in a 20 by 20 target; Tab reaches it and
    // Space or Return presses it, while a click leaves the keys where they were.
    component ControlButton: T.AbstractButton {
        id: control
        required property string modelData
        readonly property string label: modelData === "close" ? qsTr("Close")
                                      : modelData === "minimize" ? qsTr("Minimize")
                                      : chrome.maximised ? qsTr("Restore") : qsTr("Maximize")
        readonly property color glyphColor: hovered ? Theme.neoCard : Theme.neoText

        objectName: ({ close: "closeControl", minimize: "minimiseControl", maximize: "maximiseControl" })[modelData]
        width: 20
        height: 20
        topInset: 3
        leftInset: 3
        rightInset: 3
        bottomInset: 3
        hoverEnabled: true
        focusPolicy: Qt.TabFocus
        Accessible.role: Accessible.Button
        Accessible.name: label
        // Assistive technology's Press, which the Button role already lists.
        function accessiblePressAction() { clicked() }
        Keys.onReturnPressed: clicked()
        Keys.onEnterPressed: clicked()
        onClicked: chrome.activate(modelData)

        background: HardShadowBox {
            faceColor: control.hovered ? Theme.neoAccent : Theme.neoCard
            shadowX: control.down ? 0 : 2
            shadowY: shadowX
            strokeWidth: 2
            transform: Translate { x: control.down ? 2 : 0; y: control.down ? 2 : 0 }

            // The glyph: a cross, a bar or a square, in the outline's colour and
            // whole pixels, which every renderer draws alike.
            Item {
                visible: control.modelData === "close"
                anchors.centerIn: parent
                width: 8; height: 8
                Repeater {
                    model: 8
                    Rectangle {
                        required property int index
                        readonly property int step: index % 4
                        x: index < 4 ? 2 * step : 6 - 2 * step
                        y: 2 * step
                        width: 2; height: 2
                        color: control.glyphColor
                    }
                }
            }
            Rectangle {
                visible: control.modelData === "minimize"
                anchors.centerIn: parent
                width: 6; height: 2
                color: control.glyphColor
            }
            Rectangle {
                visible: control.modelData === "maximize"
                anchors.centerIn: parent
                width: 6; height: 6
                color: "transparent"
                border.width: 2
                border.color: control.glyphColor
            }
        }

        // Shown for keyboard focus only, as on the views' buttons.
        Rectangle {
            objectName: "focusFrame"
            visible: control.visualFocus
            x: -2
            y: -2
            width: control.width + 4
            height: control.height + 4
            color: "transparent"
            border.color: Theme.neoAccent
            border.width: 3
            antialiasing: false
        }
    }

    Row {
        id: leftRow
        objectName: "leftControls"
        x: 11
        y: 5
        spacing: 4
        Repeater {
            model: chrome.leftControls
            ControlButton {}
        }
    }
    // The window's content, under the controls and the edges, between the two rows
    // in the tree: Tab then goes from left to right whichever side the controls are on.
    default property alias content: contentSlot.data
    Item {
        id: contentSlot
        anchors.fill: parent
        z: -1
    }
    Row {
        id: rightRow
        objectName: "rightControls"
        x: chrome.width - 11 - width
        y: 5
        spacing: 4
        Repeater {
            model: chrome.rightControls
            ControlButton {}
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
