import QtQuick
import QtTest
import Optara.Ui

Rectangle {
    id: stage
    width: 700
    height: 1400
    color: "#00FF00"

    StatCard {
        id: card
        x: 20
        y: 20
        width: 500
        title: "Cameras"
        icon: "camera.fill"
    }

    TestCase {
        name: "StatCard"
        when: windowShown

        function rows() {
            const found = []
            const walk = (node) => {
                for (let i = 0; i < node.children.length; ++i) {
                    if (node.children[i].objectName === "statRow")
                        found.push(node.children[i])
                    walk(node.children[i])
                }
            }
            walk(card)
            return found
        }

        function makeItems(counts) {
            return counts.map((count, i) => ({ id: "id" + i, label: "Item " + i, count: count }))
        }

        // Grabbing polishes the positioners and renders the scene.
        function settle() { grabImage(stage) }

        function cleanup() {
            card.width = 500
            card.items = []
        }

        function test_rows_data() {
            // The bar line is the card's width minus 2 × 32; a bar is max(count / max × (W − 60), 4).
            return [
                { tag: "none", width: 500, counts: [], bars: [] },
                { tag: "one item fills", width: 500, counts: [3], bars: [376] },
                { tag: "half", width: 500, counts: [10, 5], bars: [376, 188] },
                { tag: "tiny count keeps a stub", width: 500, counts: [1000, 1], bars: [376, 4] },
                { tag: "all zero is not a number", width: 500, counts: [0, 0], bars: [4, 4] },
                { tag: "line of 64 or less", width: 128, counts: [10, 5], bars: [4, 4] },
                { tag: "narrower than the reserve", width: 100, counts: [10], bars: [4] },
                { tag: "counts in plain digits", width: 500, counts: [1234567], bars: [376] },
                { tag: "first ten only, the rest do not rescale", width: 500,
                  counts: [10, 5, 4, 4, 3, 3, 2, 2, 1, 1, 900, 1000],
                  bars: [376, 188, 150.4, 150.4, 112.8, 112.8, 75.2, 75.2, 37.6, 37.6] },
            ]
        }

        function test_rows(data) {
            card.width = data.width
            card.items = makeItems(data.counts)
            const shown = rows()
            compare(shown.length, data.bars.length)
            for (let i = 0; i < shown.length; ++i) {
                compare(findChild(shown[i], "rowLabel").text, "Item " + i)
                compare(findChild(shown[i], "rowCount").text, String(data.counts[i]))
                compare(findChild(shown[i], "barLine").width, data.width - 64)
                fuzzyCompare(findChild(shown[i], "bar").width, data.bars[i], 0.001)
                compare(shown[i].Accessible.role, Accessible.ListItem)
                compare(shown[i].Accessible.name, "Item " + i + ", " + data.counts[i])
            }
            compare(findChild(card, "emptyText").visible, shown.length === 0)
        }

        function test_barRuleForBadInput_data() {
            return [
                { tag: "not a number", count: NaN, maximum: 10, line: 100, width: 4 },
                { tag: "missing count", count: undefined, maximum: 10, line: 100, width: 4 },
                { tag: "negative", count: -5, maximum: 10, line: 100, width: 4 },
            ]
        }

        function test_barRuleForBadInput(data) {
            compare(card.barWidth(data.count, data.maximum, data.line), data.width)
        }

        function test_emptyState() {
            const empty = findChild(card, "emptyText")
            compare(empty.text, "No data available")
            compare(empty.font.capitalization, Font.AllUppercase)
            compare(empty.horizontalAlignment, Text.AlignHCenter)
            compare(empty.width, card.width - 64)
            compare(empty.y, 60)
            compare(findChild(card, "emptyState").height, empty.implicitHeight + 120)
            verify(!findChild(card, "rowsArea").visible)
        }

        function test_heightFollowsContent() {
            const heights = [[], [5], [5, 4]].map(counts => { card.items = makeItems(counts); settle(); return card.height })
            // A second row adds its own height and the 24 between rows.
            fuzzyCompare(heights[2] - heights[1], rows()[0].height + 24, 0.5)
            verify(heights[0] !== heights[1])
        }

        function test_labels() {
            card.items = [{ id: "a", label: "An extremely long lens name that cannot possibly fit on one line of this card", count: 3 },
                          { id: "b", label: "Same", count: 2 }, { id: "c", label: "Same", count: 2 }]
            const shown = rows()
            compare(shown.length, 3)
            const label = findChild(shown[0], "rowLabel")
            compare(label.lineCount, 1)
            verify(label.truncated)
            compare(label.width, card.width - 64)
        }

        function test_header() {
            compare(findChild(card, "cardTitle").text, "Cameras")
            compare(findChild(card, "cardTitle").font.letterSpacing, -0.5)
            const symbol = findChild(card, "cardSymbol")
            verify(symbol.available)
            verify(Qt.colorEqual(symbol.color, Theme.neoAccent))
            compare(findChild(card, "iconBox").width, 44)
            compare(findChild(card, "iconBox").height, 44)
            compare(card.Accessible.role, Accessible.List)
            compare(card.Accessible.name, "Cameras")
        }

        function test_pixels() {
            card.items = makeItems([4, 2])
            const image = grabImage(stage)
            const bar = findChild(rows()[1], "bar")
            const at = bar.mapToItem(stage, 0, 0)
            // The card spans 20..520: a 4 outline centred on its edge, a hard shadow 8 right.
            const points = [
                { tag: "shadow right of the card", x: 525, y: 60, colour: Theme.neoText },
                { tag: "nothing past the shadow", x: 530, y: 60, colour: "#00FF00" },
                { tag: "outline outside the left edge", x: 18, y: 60, colour: Theme.neoText },
                { tag: "outside the outline", x: 16, y: 60, colour: "#00FF00" },
                { tag: "card face", x: 26, y: 26, colour: Theme.neoCard },
                { tag: "bar start", x: at.x + 2, y: at.y + 12, colour: Theme.neoAccent },
                { tag: "bar end", x: at.x + bar.width - 1, y: at.y + 12, colour: Theme.neoAccent },
                { tag: "past the bar", x: at.x + bar.width + 4, y: at.y + 2, colour: Theme.neoCard },
            ]
            for (const p of points) {
                const seen = image.pixel(p.x, p.y)
                verify(Qt.colorEqual(seen, p.colour), p.tag + ": " + p.x + "," + p.y + " is " + seen)
            }
        }
    }
}
