import QtQuick
import QtTest
import Optara.Ui
import Optara.Testing

Item {
    id: scene
    width: 760
    height: 560

    QtObject {
        id: model
        property var calls: []
        function processURLs(urls) {
            calls = calls.concat([urls.map(String)])
        }
    }

    QtObject {
        id: stubPicker
        property int opened: 0
        signal chosen(var urls)
        function open() { opened += 1 }
    }

    Rectangle {
        id: stage
        anchors.fill: parent
        color: "#00FF00"

        DropZoneView {
            id: zone
            x: 40
            y: 40
            width: 640
            height: 440
            viewModel: model
            picker: stubPicker
        }
    }

    TestCase {
        id: test
        name: "DropZoneView"
        when: windowShown

        property real greatestTile: 0
        property real greatestZone: 0

        Connections {
            target: zone
            function onTileProgressChanged() { test.greatestTile = Math.max(test.greatestTile, zone.tileProgress) }
            function onZoneProgressChanged() { test.greatestZone = Math.max(test.greatestZone, zone.zoneProgress) }
        }

        function init() {
            model.calls = []
            stubPicker.opened = 0
        }

        function cleanup() {
            DragEvents.leave(zone)
            tryCompare(zone, "zoneProgress", 0)
            tryCompare(zone, "tileProgress", 0)
        }

        function settleHover() {
            tryCompare(zone, "zoneProgress", 1)
            tryCompare(zone, "tileProgress", 1)
            waitForRendering(stage)
        }

        function pixel(x, y) {
            return grabImage(stage).pixel(x, y)
        }

        function test_hoverOnlyForLocalFiles_data() {
            return [
                { tag: "one file", urls: ["file:///tmp/a.jpg"], hovering: true },
                { tag: "files and a web link", urls: ["https://example.com/a.jpg", "file:///tmp/dir"], hovering: true },
                { tag: "only web links", urls: ["https://example.com/a.jpg"], hovering: false },
                { tag: "no urls", urls: [], hovering: false },
            ]
        }

        function test_hoverOnlyForLocalFiles(data) {
            DragEvents.enter(zone, data.urls, Qt.point(300, 200))
            DragEvents.move(zone, Qt.point(310, 210))
            compare(zone.isHovering, data.hovering)
            DragEvents.leave(zone)
            compare(zone.isHovering, false)
        }

        function test_hoverLook_data() {
            // Points in the stage: the zone sits at 40,40 and is 640 by 440.
            return [
                { tag: "zone face", hovering: false, x: 100, y: 100, colour: Theme.neoCard },
                { tag: "zone shadow below", hovering: false, x: 360, y: 40 + 440 + 8, colour: Theme.neoText },
                { tag: "zone shadow right", hovering: false, x: 40 + 640 + 8, y: 300, colour: Theme.neoText },
                { tag: "zone outline outside edge", hovering: false, x: 39, y: 300, colour: Theme.neoText },
                { tag: "pressed zone face", hovering: true, x: 100, y: 100, colour: Theme.neoBackground },
                { tag: "pressed zone left of face uncovered", hovering: true, x: 45, y: 300, colour: "#00FF00" },
                { tag: "pressed zone outline moved", hovering: true, x: 40 + 640 + 12, y: 300, colour: Theme.neoText },
                { tag: "pressed zone no shadow below", hovering: true, x: 360, y: 40 + 440 + 12 + 6, colour: "#00FF00" },
            ]
        }

        function test_hoverLook(data) {
            if (data.hovering) {
                DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
                settleHover()
            } else {
                waitForRendering(stage)
            }
            const seen = pixel(data.x, data.y)
            verify(Qt.colorEqual(seen, data.colour), "pixel " + data.x + "," + data.y + " is " + seen)
        }

        function test_tileLook_data() {
            return [
                { tag: "idle", hovering: false, fill: Theme.neoCard, symbol: Theme.neoText, shift: 0 },
                { tag: "hovering", hovering: true, fill: Theme.neoBackground, symbol: Theme.neoAccent, shift: 6 },
            ]
        }

        function test_tileLook(data) {
            if (data.hovering) {
                DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
                settleHover()
            }
            const tile = findChild(zone, "tile")
            const symbol = findChild(zone, "tileSymbol")
            verify(Qt.colorEqual(symbol.color, data.symbol))
            waitForRendering(stage)
            const image = grabImage(stage)
            const origin = tile.mapToItem(stage, 0, 0)
            // mapToItem already carries the zone's own pressed-in offset.
            const zoneShift = 0
            // Inside the tile's face, clear of its border and the symbol.
            const face = image.pixel(origin.x + zoneShift + data.shift + 10, origin.y + zoneShift + data.shift + 10)
            verify(Qt.colorEqual(face, data.fill), "tile face is " + face)
            // Just beyond the tile's resting right edge: the shadow when idle, the moved border when hovering.
            const beyond = image.pixel(origin.x + zoneShift + 120 + 3, origin.y + zoneShift + 60)
            verify(Qt.colorEqual(beyond, Theme.neoText), "beyond the right edge is " + beyond)
            // The resting left border: still there when idle, uncovered when the tile has moved.
            const left = image.pixel(origin.x + zoneShift + 2, origin.y + zoneShift + 60)
            verify(Qt.colorEqual(left, data.hovering ? Theme.neoBackground : Theme.neoText), "left edge is " + left)
        }

        function test_springMotion() {
            greatestTile = 0
            greatestZone = 0
            DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
            settleHover()
            // The tile's underdamped spring overshoots; the zone's critically damped one never does.
            verify(greatestTile > 1.05, "tile peaked at " + greatestTile)
            verify(greatestZone <= 1.0, "zone peaked at " + greatestZone)
        }

        function test_dropHandsOnLocalFilesOnce_data() {
            return [
                { tag: "three files", urls: ["file:///p/a.jpg", "file:///p/b.JPG", "file:///p/c.txt"],
                  expected: [["file:///p/a.jpg", "file:///p/b.JPG", "file:///p/c.txt"]] },
                { tag: "a folder as itself", urls: ["file:///p/shots"], expected: [["file:///p/shots"]] },
                { tag: "web links skipped", urls: ["https://e.com/x.jpg", "file:///p/a.jpg"], expected: [["file:///p/a.jpg"]] },
                { tag: "nothing local", urls: ["https://e.com/x.jpg"], expected: [] },
                { tag: "no items", urls: [], expected: [] },
            ]
        }

        function test_dropHandsOnLocalFilesOnce(data) {
            const accepted = DragEvents.dragAndDrop(zone, data.urls, Qt.point(320, 220))
            compare(zone.isHovering, false)
            if (data.expected.length > 0) {
                verify(accepted)
                tryCompare(model, "calls", data.expected)
            } else {
                wait(50)
                compare(model.calls, [])
            }
        }

        function test_browse() {
            const button = findChild(zone, "browseButton")
            mouseClick(button)
            compare(stubPicker.opened, 1)
            compare(model.calls, [])
            stubPicker.chosen(["file:///p/a.jpg", "file:///p/folder"])
            compare(model.calls, [["file:///p/a.jpg", "file:///p/folder"]])
            stubPicker.chosen([])
            compare(model.calls.length, 1)
        }

        function test_texts() {
            compare(findChild(zone, "headline").text, "Drop Photos Here")
            const subtitle = findChild(zone, "subtitle")
            compare(subtitle.text, "Supports JPEGs and folders containing JPEGs")
            compare(subtitle.font.capitalization, Font.AllUppercase)
            compare(subtitle.opacity, 0.8)
            compare(findChild(zone, "browseButton").text, "Browse Files")
        }
    }
}
