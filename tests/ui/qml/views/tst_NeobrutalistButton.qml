import QtQuick
import QtTest
import Optara.Ui

Item {
    id: scene
    width: 400
    height: 200

    Rectangle {
        id: stage
        color: "#00FF00"
        width: 300
        height: 120

        NeobrutalistButton {
            id: button
            x: 20
            y: 20
            text: "Browse files"
        }
        Text {
            id: probe
            text: "BROWSE FILES"
            font: button.font
            visible: false
        }
    }

    SignalSpy {
        id: clicks
        target: button
        signalName: "clicked"
    }

    TestCase {
        name: "NeobrutalistButton"
        when: windowShown

        function colourAt(image, x, y) {
            return image.pixel(x, y)
        }

        function test_layoutSizeIsLabelPlusPadding() {
            const label = findChild(button, "buttonLabel")
            verify(label !== null)
            compare(button.width, label.implicitWidth + 48)
            compare(button.height, label.implicitHeight + 24)
            mousePress(button)
            compare(button.width, label.implicitWidth + 48)
            compare(button.height, label.implicitHeight + 24)
            compare(button.x, 20)
            mouseRelease(button)
        }

        function test_labelIsUpperCaseAndSpaced() {
            const label = findChild(button, "buttonLabel")
            // Capitals of the mixed-case text, wider than the same capitals unspaced.
            compare(label.font.capitalization, Font.AllUppercase)
            probe.font.letterSpacing = 0
            verify(label.implicitWidth > probe.implicitWidth + 10)
            compare(label.font.bold, true)
            compare(label.font.family, Theme.monospacedFamily)
        }

        function test_layers_data() {
            const w = button.width
            const h = button.height
            const mid = 20 + Math.round(h / 2)
            return [
                { tag: "rest: shadow band right of the face", pressed: false, x: 20 + w + 3, y: mid, colour: Theme.neoText },
                { tag: "rest: nothing beyond the shadow", pressed: false, x: 20 + w + 6, y: mid, colour: "#00FF00" },
                { tag: "rest: outline on the left edge", pressed: false, x: 20, y: mid, colour: Theme.neoText },
                { tag: "rest: face inside the padding", pressed: false, x: 26, y: 24, colour: Theme.neoCard },
                { tag: "rest: shadow band below the face", pressed: false, x: 20 + Math.round(w / 2), y: 20 + h + 3, colour: Theme.neoText },
                { tag: "pressed: left edge uncovered", pressed: true, x: 20, y: mid, colour: "#00FF00" },
                { tag: "pressed: outline moved right", pressed: true, x: 20 + w + 4, y: mid + 4, colour: Theme.neoText },
                { tag: "pressed: no shadow", pressed: true, x: 20 + w + 7, y: mid + 4, colour: "#00FF00" },
                { tag: "pressed: face moved down", pressed: true, x: 30, y: 28, colour: Theme.neoCard },
            ]
        }

        function test_layers(data) {
            if (data.pressed)
                mousePress(button)
            waitForRendering(stage)
            const image = grabImage(stage)
            if (data.pressed)
                mouseRelease(button)
            verify(Qt.colorEqual(colourAt(image, data.x, data.y), data.colour),
                   "pixel " + data.x + "," + data.y + " is " + colourAt(image, data.x, data.y))
        }

        function test_clickEmitsOnce() {
            clicks.clear()
            mouseClick(button)
            compare(clicks.count, 1)
        }
    }
}
