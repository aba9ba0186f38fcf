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
                fuzzyCompare(findChild(shown[i], "bar").width, data.bars[i], 0.001)
                compare(shown[i].Accessible.name, "Item " + i + ", " + data.counts[i])
            }
            compare(findChild(card, "emptyText").visible, shown.length === 0)
        }

        function test_longLabelEndsWithAnEllipsis() {
            card.items = [{ id: "a", label: "An extremely long lens name that cannot possibly fit on one line of this card", count: 3 }]
            const label = findChild(rows()[0], "rowLabel")
            compare(label.lineCount, 1)
            verify(label.truncated)
        }

        function test_pixels() {
            card.items = makeItems([4, 2])
            const image = grabImage(stage)
            const bar = findChild(rows()[1], "bar")
            const at = bar.mapToItem(stage, 0, 0)
            // The card spans 20..520: a 4 outline centred on its edge, a hard shadow 8 right.
            const points = [
                { tag: "shadow right of the card", x: 525, y: 60, colour: Theme.neoText },
                { tag: "outline outside the left edge", x: 18, y: 60, colour: Theme.neoText },
                { tag: "card face", x: 26, y: 26, colour: Theme.neoCard },
                { tag: "bar start", x: at.x + 2, y: at.y + 12, colour: Theme.neoAccent },
                { tag: "past the bar", x: at.x + bar.width + 4, y: at.y + 2, colour: Theme.neoCard },
            ]
            for (const p of points) {
                const seen = image.pixel(p.x, p.y)
                verify(Qt.colorEqual(seen, p.colour), p.tag + ": " + p.x + "," + p.y + " is " + seen)
            }
        }
    }
}
