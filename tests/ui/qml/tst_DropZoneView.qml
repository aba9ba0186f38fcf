import QtQuick
import QtTest
import Optara.Ui
import Optara.Testing
import Optara.ViewModel

Rectangle {
    id: stage
    width: 760
    height: 560
    color: "#00FF00"

    AppViewModel { id: model }
    SignalSpy { id: processing; target: model; signalName: "isProcessingChanged" }

    DropZoneView {
        id: zone
        x: 40
        y: 40
        width: 640
        height: 440
        viewModel: model
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
            model.clearData()
            processing.clear()
        }

        function cleanup() {
            DragEvents.leave(zone)
            tryCompare(zone, "zoneProgress", 0)
            tryCompare(zone, "tileProgress", 0)
        }

        function test_drag_data() {
            const [a, b, folder] = Photos.tree
            return [
                { tag: "files", urls: [a, b], hovering: true, photos: 2 },
                { tag: "a folder, walked", urls: [folder], hovering: true, photos: 2 },
                { tag: "web links skipped", urls: ["https://e.com/x.jpg", a], hovering: true, photos: 1 },
                { tag: "only web links", urls: ["https://e.com/x.jpg"], hovering: false },
                { tag: "no urls", urls: [], hovering: false },
            ]
        }

        function test_drag(data) {
            DragEvents.enter(zone, data.urls, Qt.point(300, 200))
            DragEvents.move(zone, Qt.point(310, 210))
            compare(zone.isHovering, data.hovering)
            compare(DragEvents.drop(zone, Qt.point(310, 210)), data.hovering)
            compare(zone.isHovering, false)
            // One run per drop, whatever the number of locations: isProcessing on, then off.
            wait(0)
            tryVerify(() => !model.isProcessing)
            compare(processing.count, data.hovering ? 2 : 0)
            compare(model.processedImageCount, data.photos || 0)
        }

        function test_look() {
            // Stage points; the zone spans 40..680 by 40..480. Hovering moves it 12 and the tile 6 more.
            const tile = findChild(zone, "tile").mapToItem(stage, 0, 0)
            const points = [
                { tag: "zone face", hovering: false, x: 100, y: 100, colour: Theme.neoCard },
                { tag: "tile face", hovering: false, x: tile.x + 10, y: tile.y + 10, colour: Theme.neoCard },
                { tag: "tile shadow", hovering: false, x: tile.x + 123, y: tile.y + 60, colour: Theme.neoText },
                { tag: "pressed zone face", hovering: true, x: 100, y: 100, colour: Theme.neoBackground },
                { tag: "pressed zone uncovers its left", hovering: true, x: 45, y: 300, colour: "#00FF00" },
                { tag: "pressed zone no shadow", hovering: true, x: 360, y: 480 + 18, colour: "#00FF00" },
                { tag: "pressed tile face", hovering: true, x: tile.x + 28, y: tile.y + 28, colour: Theme.neoBackground },
                { tag: "pressed tile border moved", hovering: true, x: tile.x + 12 + 123, y: tile.y + 72, colour: Theme.neoText },
            ]
            const symbol = findChild(zone, "tileSymbol")
            verify(Qt.colorEqual(symbol.color, Theme.neoText))
            const idle = grabImage(stage)
            greatestTile = 0
            greatestZone = 0
            DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
            tryCompare(zone, "zoneProgress", 1)
            tryCompare(zone, "tileProgress", 1)
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
    }
}
