import QtQuick
import QtTest
import Optara.Ui
import Optara.Testing

Rectangle {
    id: stage
    width: 760
    height: 560
    color: "#00FF00"

    QtObject {
        id: model
        property var calls: []
        function processURLs(urls) { calls = calls.concat([urls.map(String)]) }
    }
    QtObject {
        id: stubPicker
        property int opened: 0
        signal chosen(var urls)
        signal closed()
        function open(window) { opened += 1 }
    }

    DropZoneView {
        id: zone
        x: 40
        y: 40
        width: 640
        height: 440
        viewModel: model
        picker: stubPicker
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
            zone.enabled = true
        }

        function cleanup() {
            DragEvents.leave(zone)
            tryCompare(zone, "zoneProgress", 0)
            tryCompare(zone, "tileProgress", 0)
        }

        function hover() {
            DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
            tryCompare(zone, "zoneProgress", 1)
            tryCompare(zone, "tileProgress", 1)
        }

        function test_drag_data() {
            return [
                { tag: "files", urls: ["file:///p/a.jpg", "file:///p/b.JPG", "file:///p/c.txt"], hovering: true,
                  calls: [["file:///p/a.jpg", "file:///p/b.JPG", "file:///p/c.txt"]] },
                { tag: "a folder as itself", urls: ["file:///p/shots"], hovering: true, calls: [["file:///p/shots"]] },
                { tag: "web links skipped", urls: ["https://e.com/x.jpg", "file:///p/a.jpg"], hovering: true,
                  calls: [["file:///p/a.jpg"]] },
                { tag: "only web links", urls: ["https://e.com/x.jpg"], hovering: false, calls: [] },
                { tag: "no urls", urls: [], hovering: false, calls: [] },
            ]
        }

        function test_drag(data) {
            DragEvents.enter(zone, data.urls, Qt.point(300, 200))
            DragEvents.move(zone, Qt.point(310, 210))
            compare(zone.isHovering, data.hovering)
            compare(DragEvents.drop(zone, Qt.point(310, 210)), data.hovering)
            compare(zone.isHovering, false)
            // The call, if any, follows on the next turn of the event loop: one per drop.
            wait(0)
            compare(model.calls, data.calls)
        }

        function test_look() {
            // Stage points; the zone spans 40..680 by 40..480. Hovering moves it 12 and the tile 6 more.
            const tile = findChild(zone, "tile").mapToItem(stage, 0, 0)
            const points = [
                { tag: "zone face", hovering: false, x: 100, y: 100, colour: Theme.neoCard },
                { tag: "zone shadow below", hovering: false, x: 360, y: 480 + 8, colour: Theme.neoText },
                { tag: "zone shadow right", hovering: false, x: 680 + 8, y: 300, colour: Theme.neoText },
                { tag: "zone outline outside the edge", hovering: false, x: 39, y: 300, colour: Theme.neoText },
                { tag: "tile face", hovering: false, x: tile.x + 10, y: tile.y + 10, colour: Theme.neoCard },
                { tag: "tile shadow", hovering: false, x: tile.x + 123, y: tile.y + 60, colour: Theme.neoText },
                { tag: "tile border inside", hovering: false, x: tile.x + 2, y: tile.y + 60, colour: Theme.neoText },
                { tag: "pressed zone face", hovering: true, x: 100, y: 100, colour: Theme.neoBackground },
                { tag: "pressed zone uncovers its left", hovering: true, x: 45, y: 300, colour: "#00FF00" },
                { tag: "pressed zone outline moved", hovering: true, x: 680 + 12, y: 300, colour: Theme.neoText },
                { tag: "pressed zone no shadow", hovering: true, x: 360, y: 480 + 18, colour: "#00FF00" },
                { tag: "pressed tile face", hovering: true, x: tile.x + 28, y: tile.y + 28, colour: Theme.neoBackground },
                { tag: "pressed tile border moved", hovering: true, x: tile.x + 12 + 123, y: tile.y + 72, colour: Theme.neoText },
                { tag: "pressed tile uncovers its left", hovering: true, x: tile.x + 14, y: tile.y + 72, colour: Theme.neoBackground },
            ]
            const symbol = findChild(zone, "tileSymbol")
            verify(Qt.colorEqual(symbol.color, Theme.neoText))
            const idle = grabImage(stage)
            greatestTile = 0
            greatestZone = 0
            hover()
            const pressed = grabImage(stage)
            verify(Qt.colorEqual(symbol.color, Theme.neoAccent))
            for (const p of points) {
                const seen = (p.hovering ? pressed : idle).pixel(p.x, p.y)
                verify(Qt.colorEqual(seen, p.colour), p.tag + ": " + p.x + "," + p.y + " is " + seen)
            }
            // The tile's underdamped spring overshoots; the zone's critically damped one never does.
            verify(greatestTile > 1.05, "tile peaked at " + greatestTile)
            verify(greatestZone <= 1.0, "zone peaked at " + greatestZone)
        }

        function test_browse_data() {
            return [
                { tag: "click", shortcut: false, enabled: true, opens: 1, frame: false },
                { tag: "ctrl+o", shortcut: true, enabled: true, opens: 1, frame: true },
                { tag: "ctrl+o while the zone takes no input", shortcut: true, enabled: false, opens: 0 },
            ]
        }

        function test_browse(data) {
            const button = findChild(zone, "browseButton")
            zone.enabled = data.enabled
            if (data.shortcut)
                keySequence(StandardKey.Open)
            else
                mouseClick(button)
            compare(stubPicker.opened, data.opens)
            compare(model.calls, [])
            stubPicker.chosen(["file:///p/a.jpg", "file:///p/folder"])
            stubPicker.chosen([])
            compare(model.calls, [["file:///p/a.jpg", "file:///p/folder"]])
            if (data.opens === 0)
                return
            // Focus goes back to the button once the panel closes, framed if keys opened it.
            stage.forceActiveFocus()
            stubPicker.closed()
            verify(button.activeFocus)
            compare(button.visualFocus, data.frame)
        }

        function test_texts() {
            compare(findChild(zone, "headline").text, "Drop Photos Here")
            const subtitle = findChild(zone, "subtitle")
            compare(subtitle.text, "Supports JPEGs and folders containing JPEGs")
            compare(subtitle.font.capitalization, Font.AllUppercase)
            compare(subtitle.opacity, 0.8)
            compare(findChild(zone, "browseButton").text, "Browse Files")
            compare(zone.Accessible.role, Accessible.Grouping)
            compare(zone.Accessible.name, "Drop Photos Here")
        }
    }
}
