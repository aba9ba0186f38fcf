import QtQuick
import QtTest
import Optara.Ui

Item {
    id: scene
    width: 700
    height: 1400

    Rectangle {
        id: stage
        anchors.fill: parent
        color: "#00FF00"

        StatCard {
            id: card
            x: 20
            y: 20
            width: 500
            title: "Cameras"
            icon: "camera.fill"
        }
    }

    TestCase {
        name: "StatCard"
        when: windowShown

        function rows(item) {
            const found = []
            function walk(node) {
                for (let i = 0; i < node.children.length; ++i) {
                    const child = node.children[i]
                    if (child.objectName === "statRow")
                        found.push(child)
                    walk(child)
                }
            }
            walk(item)
            return found
        }

        function makeItems(counts) {
            return counts.map((count, i) => ({ id: "id" + i, label: "Item " + i, count: count }))
        }

        function barOf(row) { return findChild(row, "bar") }

        function cleanup() {
            card.width = 500
            card.items = []
        }

        function test_shownRows_data() {
            return [
                { tag: "none", counts: [], shown: 0 },
                { tag: "one", counts: [7], shown: 1 },
                { tag: "ten", counts: [10, 9, 8, 7, 6, 5, 4, 3, 2, 1], shown: 10 },
                { tag: "twelve", counts: [12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1], shown: 10 },
            ]
        }

        function test_shownRows(data) {
            card.items = makeItems(data.counts)
            const shown = rows(card)
            compare(shown.length, data.shown)
            for (let i = 0; i < shown.length; ++i) {
                compare(findChild(shown[i], "rowLabel").text, "Item " + i)
                compare(findChild(shown[i], "rowCount").text, String(data.counts[i]))
            }
        }

        function test_barWidths_data() {
            // W is the bar line's width: the card's width minus 2 × 32 of padding.
            return [
                { tag: "one item fills", width: 500, counts: [3], bars: [436 - 60] },
                { tag: "half", width: 500, counts: [10, 5], bars: [376, 188] },
                { tag: "tiny count keeps a stub", width: 500, counts: [1000, 1], bars: [376, 4] },
                { tag: "all zero is not a number", width: 500, counts: [0, 0], bars: [4, 4] },
                { tag: "line of 64 or less", width: 128, counts: [10, 5], bars: [4, 4] },
                { tag: "narrower than the reserve", width: 100, counts: [10], bars: [4] },
                { tag: "eleventh does not rescale", width: 500,
                  counts: [10, 5, 4, 4, 3, 3, 2, 2, 1, 1, 900], bars: [376, 188, 150.4, 150.4, 112.8, 112.8, 75.2, 75.2, 37.6, 37.6] },
            ]
        }

        function test_barWidths(data) {
            card.width = data.width
            card.items = makeItems(data.counts)
            const shown = rows(card)
            compare(shown.length, data.bars.length)
            for (let i = 0; i < shown.length; ++i) {
                compare(findChild(shown[i], "barLine").width, data.width - 64)
                fuzzyCompare(barOf(shown[i]).width, data.bars[i], 0.001)
            }
        }

        function test_barRuleForBadInput_data() {
            return [
                { tag: "not a number", count: NaN, maximum: 10, line: 100, width: 4 },
                { tag: "missing count", count: undefined, maximum: 10, line: 100, width: 4 },
                { tag: "zero over zero", count: 0, maximum: 0, line: 100, width: 4 },
                { tag: "negative", count: -5, maximum: 10, line: 100, width: 4 },
                { tag: "text digits", count: "5", maximum: 10, line: 160, width: 50 },
            ]
        }

        function test_barRuleForBadInput(data) {
            compare(card.barWidth(data.count, data.maximum, data.line), data.width)
        }

        function test_emptyState() {
            card.items = []
            const empty = findChild(card, "emptyText")
            verify(empty.visible)
            compare(empty.text, "No data available")
            compare(empty.font.capitalization, Font.AllUppercase)
            compare(empty.horizontalAlignment, Text.AlignHCenter)
            compare(empty.width, card.width - 64)
            const area = findChild(card, "emptyState")
            compare(empty.y, 60)
            compare(area.height, empty.implicitHeight + 120)
            verify(!findChild(card, "rowsArea").visible)
        }

        function test_heightFollowsContent() {
            card.items = []
            waitForRendering(card)
            const emptyHeight = card.height
            card.items = makeItems([5])
            waitForItemPolished(card)
            waitForRendering(card)
            const oneRow = card.height
            card.items = makeItems([5, 4])
            waitForRendering(card)
            const twoRows = card.height
            const row = rows(card)[0]
            // A second row adds its own height and the 24 between rows.
            fuzzyCompare(twoRows - oneRow, row.height + 24, 0.5)
            verify(emptyHeight !== oneRow)
        }

        function test_longLabelIsElided() {
            card.items = [{ id: "a", label: "An extremely long lens name that cannot possibly fit on one line of this card", count: 3 }]
            const label = findChild(rows(card)[0], "rowLabel")
            compare(label.lineCount, 1)
            verify(label.truncated)
            compare(label.width, card.width - 64)
        }

        function test_sameLabelTwiceIsTwoRows() {
            card.items = [{ id: "a", label: "Same", count: 2 }, { id: "b", label: "Same", count: 2 }]
            compare(rows(card).length, 2)
        }

        function test_countsArePlainDigits() {
            card.items = [{ id: "a", label: "Many", count: 1234567 }]
            compare(findChild(rows(card)[0], "rowCount").text, "1234567")
        }

        function test_pixels_data() {
            // The card spans 20..520 horizontally; points in the stage.
            return [
                { tag: "shadow right of the card", x: 520 + 5, y: 60, colour: Theme.neoText },
                { tag: "nothing past the shadow", x: 520 + 10, y: 60, colour: "#00FF00" },
                { tag: "outline outside the left edge", x: 18, y: 60, colour: Theme.neoText },
                { tag: "outside the outline", x: 16, y: 60, colour: "#00FF00" },
                { tag: "card face", x: 26, y: 26, colour: Theme.neoCard },
            ]
        }

        function test_pixels(data) {
            card.items = makeItems([4, 2])
            waitForRendering(stage)
            const seen = grabImage(stage).pixel(data.x, data.y)
            verify(Qt.colorEqual(seen, data.colour), "pixel " + data.x + "," + data.y + " is " + seen)
        }

        function test_barPixels() {
            card.items = makeItems([4, 2])
            waitForRendering(stage)
            const image = grabImage(stage)
            const second = barOf(rows(card)[1])
            const at = second.mapToItem(stage, 0, 0)
            verify(Qt.colorEqual(image.pixel(at.x + 2, at.y + 12), Theme.neoAccent))
            verify(Qt.colorEqual(image.pixel(at.x + second.width - 1, at.y + 12), Theme.neoAccent))
            verify(Qt.colorEqual(image.pixel(at.x + second.width + 4, at.y + 2), Theme.neoCard))
        }

        function test_headerAndIcon() {
            compare(findChild(card, "cardTitle").text, "Cameras")
            compare(findChild(card, "cardTitle").font.letterSpacing, -0.5)
            const symbol = findChild(card, "cardSymbol")
            verify(symbol.available)
            verify(Qt.colorEqual(symbol.color, Theme.neoAccent))
            const box = findChild(card, "iconBox")
            compare(box.width, 44)
            compare(box.height, 44)
        }
    }
}
