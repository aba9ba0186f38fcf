import QtQuick
import QtTest
import Optara.Ui

Rectangle {
    id: stage
    width: 300
    height: 120
    color: "#00FF00"

    NeobrutalistButton {
        id: button
        x: 20
        y: 20
        text: "Browse files"
    }
    SignalSpy { id: clicks; target: button; signalName: "clicked" }

    TestCase {
        name: "NeobrutalistButton"
        when: windowShown

        function init() {
            clicks.clear()
            stage.forceActiveFocus()
        }

        function seen(x, y) {
            return grabImage(stage).pixel(x, y)
        }

        function test_layers_data() {
            const w = button.width, h = button.height, mid = 20 + Math.round(h / 2)
            return [
                { tag: "rest: shadow band right", pressed: false, x: 20 + w + 3, y: mid, colour: Theme.neoText },
                { tag: "rest: nothing beyond the shadow", pressed: false, x: 20 + w + 6, y: mid, colour: "#00FF00" },
                { tag: "rest: outline on the left edge", pressed: false, x: 20, y: mid, colour: Theme.neoText },
                { tag: "rest: face", pressed: false, x: 26, y: 24, colour: Theme.neoCard },
                { tag: "pressed: left edge uncovered", pressed: true, x: 20, y: mid, colour: "#00FF00" },
                { tag: "pressed: outline moved right", pressed: true, x: 20 + w + 4, y: mid + 4, colour: Theme.neoText },
                { tag: "pressed: no shadow", pressed: true, x: 20 + w + 7, y: mid + 4, colour: "#00FF00" },
            ]
        }

        function test_layers(data) {
            const label = findChild(button, "buttonLabel")
            if (data.pressed)
                mousePress(button)
            // Padding 24 and 12 around the label, kept while pressed: only the drawing moves.
            compare(button.width, label.implicitWidth + 48)
            compare(button.height, label.implicitHeight + 24)
            const colour = seen(data.x, data.y)
            if (data.pressed)
                mouseRelease(button)
            verify(Qt.colorEqual(colour, data.colour), data.x + "," + data.y + " is " + colour)
        }

        function test_activation_data() {
            return [
                { tag: "mouse", key: 0, frame: false },
                { tag: "space", key: Qt.Key_Space, frame: true },
                { tag: "return", key: Qt.Key_Return, frame: true },
                { tag: "enter", key: Qt.Key_Enter, frame: true },
            ]
        }

        function test_activation(data) {
            if (data.key === 0) {
                mouseClick(button)
            } else {
                button.forceActiveFocus(Qt.TabFocusReason)
                keyClick(data.key)
            }
            compare(clicks.count, 1)
            // Keyboard focus shows a 3-wide accent frame 8 outside the button, hard-edged.
            const mid = 20 + Math.round(button.height / 2)
            for (const [x, frame] of [[11, false], [12, true], [14, true], [15, false]])
                verify(Qt.colorEqual(seen(x, mid), frame && data.frame ? Theme.neoAccent : "#00FF00"), "at " + x)
        }
    }
}
