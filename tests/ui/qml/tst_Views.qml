import QtQuick
import QtTest
import QtQuick.Controls.Basic as Controls
import Optara.Ui
import Optara.Testing
import Optara.ViewModel

// The views on their own, each with a model of its own, fed by desktop drags and made-up photos.
Rectangle {
    id: stage
    width: 1800
    height: 1700

    AppViewModel { id: zoneModel }
    AppViewModel { id: dashboardModel }
    SignalSpy { id: processing; target: zoneModel; signalName: "isProcessingChanged" }

    DropZoneView { id: zone; x: 40; y: 40; width: 640; height: 440; viewModel: zoneModel }
    StatCard { id: card; x: 40; y: 660; title: "Lenses" }
    StatsDashboardView { id: dashboard; x: 760; width: 1000; viewModel: dashboardModel }
    AppViewModel { id: onePhotoModel }
    StatsDashboardView { id: onePhotoDashboard; visible: false; width: 1000; height: 400; viewModel: onePhotoModel }
    Component { id: tileSymbolAgain; SymbolIcon { name: "photo.badge.plus"; width: 56; height: 48 } }

    TestCase {
        id: test
        name: "Views"
        when: windowShown

        // Four photos: two cameras, three lenses, three focal lengths, four apertures.
        function initTestCase() {
            dashboardModel.processURLs(photoTree)
            onePhotoModel.processURLs([photoTree[0]])
            tryCompare(dashboardModel, "isProcessing", false)
            tryCompare(onePhotoModel, "isProcessing", false)
        }

        // The words after the count agree with it.
        function test_countLine() {
            for (const [view, line] of [[onePhotoDashboard, "1 Photo Analyzed"], [dashboard, "4 Photos Analyzed"]])
                compare(findChild(view, "photoCount").text + " " + findChild(view, "photosAnalyzed").text, line)
        }

        function init() {
            zoneModel.clearData()
            processing.clear()
            dashboard.height = 2000
            stage.forceActiveFocus()
            grabImage(stage) // polishes the positioners
        }

        function cleanup() {
            DragEvents.leave(zone)
            tryCompare(zone, "zoneProgress", 0)
            tryCompare(zone, "tileProgress", 0)
        }

        function test_dropZoneRunsOncePerDrop_data() {
            return [
                { tag: "files and a folder", urls: photoTree, photos: 4 },
                { tag: "web links skipped", urls: ["https://e.com/x.jpg", photoTree[0]], photos: 1 },
                { tag: "only web links: refused", urls: ["https://e.com/x.jpg"], photos: 0 },
            ]
        }

        function test_dropZoneRunsOncePerDrop(data) {
            DragEvents.enter(zone, data.urls, Qt.point(300, 200))
            DragEvents.move(zone, Qt.point(310, 210))
            compare(zone.isHovering, data.photos > 0)
            compare(DragEvents.drop(zone, Qt.point(310, 210)), data.photos > 0)
            compare(zone.isHovering, false)
            wait(0)
            tryVerify(() => !zoneModel.isProcessing)
            compare(processing.count, data.photos > 0 ? 2 : 0) // isProcessing on, then off
            compare(zoneModel.processedImageCount, data.photos)
        }

        // A hovering drag sinks the zone and its tile in. At rest the springs leave the clock, and the tile's
        // symbol shows in one more icon with no new parse.
        function test_dropZoneHoverPressesItIn() {
            const parses = setup.symbolParses()
            DragEvents.enter(zone, ["file:///tmp/a.jpg"], Qt.point(300, 200))
            tryCompare(zone, "zoneProgress", 1)
            tryCompare(zone, "tileProgress", 1)
            tryVerify(() => !setup.animating())
            createTemporaryObject(tileSymbolAgain, stage)
            grabImage(stage)
            compare(setup.symbolParses(), parses)
        }

        function test_cardRows_data() {
            // The bar line is the card's width minus 2 × 32; a bar is max(count / max × (line − r), 4), where r
            // is 60, or 12 and the widest count where that is more (null: the longest bar, line − r; below 1:
            // that part of the first bar).
            return [
                { tag: "none", width: 500, counts: [], bars: [] },
                { tag: "half", width: 500, counts: [10, 5], bars: [376, 188] },
                { tag: "tiny count keeps a stub", width: 500, counts: [1000, 1], bars: [376, 4] },
                { tag: "all zero is not a number", width: 500, counts: [0, 0], bars: [4, 4] },
                { tag: "line of 64 or less", width: 128, counts: [10, 5], bars: [4, 4] },
                { tag: "a wide count in plain digits shortens the bars", width: 500, counts: [1234567, 617283],
                  bars: [null, 0.5] },
                { tag: "a billion fits a card narrower than the least window's", width: 320,
                  counts: [1000000000, 1], bars: [null, 4] },
                { tag: "a long label ends with an ellipsis", width: 500, counts: [3], bars: [376], long: true },
                { tag: "first ten only, the rest do not rescale", width: 500,
                  counts: [10, 5, 4, 4, 3, 3, 2, 2, 1, 1, 900, 1000],
                  bars: [376, 188, 150.4, 150.4, 112.8, 112.8, 75.2, 75.2, 37.6, 37.6] },
            ]
        }

        function test_cardRows(data) {
            card.width = data.width
            const label = i => data.long ? "An extremely long lens name that cannot fit on one line of a card" : "Item " + i
            card.items = setup.statList(data.counts.map((count, i) => ({ label: label(i), count: count })))
            const shown = Array.prototype.filter.call(findChild(card, "rowsArea").children[0].children,
                                                      row => row.objectName === "statRow")
            compare(shown.length, data.bars.length)
            const line = data.width - 64
            for (let i = 0; i < shown.length; ++i) {
                compare(shown[i].Accessible.name,
                        label(i) + ", " + (data.counts[i] === 1 ? "1 photo" : data.counts[i] + " photos"))
                compare(findChild(shown[i], "rowLabel").truncated, !!data.long)
                const bar = findChild(shown[i], "bar"), count = findChild(shown[i], "rowCount")
                const expected = data.bars[i] === null ? line - 12 - Math.ceil(count.width)
                               : data.bars[i] < 1 ? data.bars[i] * findChild(shown[0], "bar").width : data.bars[i]
                fuzzyCompare(bar.width, expected, 0.001)
                // The count follows its bar and ends inside the line wherever the line has room for it.
                compare(count.x, bar.width + 12)
                verify(line <= 64 || count.x + count.width <= line, count.text + " ends at " + (count.x + count.width))
            }
            compare(findChild(card, "emptyText").visible, shown.length === 0)
        }

        function test_dashboardCardsInTwoTopAlignedColumns() {
            const cards = ["camerasCard", "lensesCard", "focalLengthsCard", "aperturesCard"].map(
                name => findChild(dashboard, name))
            verify(cards.every(card => findChild(card, "cardSymbol").available))
            // Each card shows its own list's rows, in its order.
            const lists = [dashboardModel.topCameras, dashboardModel.topLenses, dashboardModel.topFocalLengths,
                           dashboardModel.topApertures]
            cards.forEach((card, i) => {
                const rows = Array.prototype.filter.call(findChild(card, "rowsArea").children[0].children,
                                                         row => row.objectName === "statRow")
                compare(rows.map(row => findChild(row, "rowLabel").text),
                        [...Array(lists[i].rowCount()).keys()].map(
                            row => lists[i].data(lists[i].index(row, 0), Qt.UserRole + 1)), card.objectName)
            })
            // Cards of one grid row share their top edge though their heights differ.
            const [cameras, lenses, focalLengths] = cards
            verify(cameras.height < lenses.height && cameras.y === lenses.y && cameras.x < lenses.x)
            verify(focalLengths.x === cameras.x && focalLengths.y >= lenses.y + lenses.height)
            const scroll = findChild(dashboard, "scroll")
            verify(!scroll.Controls.ScrollBar.vertical.visible && scroll.contentItem.contentWidth <= scroll.width)
        }

        function test_dashboardScrollKeys() {
            dashboard.height = 300
            grabImage(stage)
            const scroll = findChild(dashboard, "scroll"), flick = scroll.contentItem, page = scroll.availableHeight
            const bottom = flick.contentHeight - flick.height
            verify(bottom > 2 * page && scroll.Controls.ScrollBar.vertical.visible)
            dashboard.forceActiveFocus()
            const steps = [[Qt.Key_PageDown, 0, page], [Qt.Key_Space, 0, 2 * page], [Qt.Key_End, 0, bottom],
                           [Qt.Key_PageDown, 0, bottom], [Qt.Key_Space, Qt.ShiftModifier, bottom - page],
                           [Qt.Key_PageUp, 0, bottom - 2 * page], [Qt.Key_Home, 0, 0]]
            for (const [key, modifiers, expected] of steps) {
                keyClick(key, modifiers)
                compare(flick.contentY, expected, key)
            }
        }
    }
}
