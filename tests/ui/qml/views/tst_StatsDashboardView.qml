import QtQuick
import QtTest
import Optara.Ui

Item {
    id: scene
    width: 1000
    height: 700

    QtObject {
        id: model
        property int processedImageCount: 1
        property var topCameras: []
        property var topLenses: []
        property var topFocalLengths: []
        property var topApertures: []
        property int clears: 0
        function clearData() {
            clears += 1
            processedImageCount = 0
            topCameras = []; topLenses = []; topFocalLengths = []; topApertures = []
        }
    }

    StatsDashboardView {
        id: dashboard
        anchors.fill: parent
        viewModel: model
    }

    SignalSpy {
        id: restarts
        target: dashboard
        signalName: "restarted"
    }

    TestCase {
        name: "StatsDashboardView"
        when: windowShown

        function rowsOf(card) {
            const found = []
            function walk(node) {
                for (let i = 0; i < node.children.length; ++i) {
                    if (node.children[i].objectName === "statRow")
                        found.push(node.children[i])
                    walk(node.children[i])
                }
            }
            walk(card)
            return found
        }

        function items(n) {
            const list = []
            for (let i = 0; i < n; ++i)
                list.push({ id: "i" + i, label: "L" + i, count: n - i })
            return list
        }

        function init() {
            model.processedImageCount = 3
            model.topCameras = items(5)
            model.topLenses = []
            model.topFocalLengths = items(2)
            model.topApertures = items(1)
            model.clears = 0
            restarts.clear()
        }

        function test_cardsInTwoTopAlignedColumns() {
            const names = ["camerasCard", "lensesCard", "focalLengthsCard", "aperturesCard"]
            const cards = names.map(n => findChild(dashboard, n))
            const grid = findChild(dashboard, "cardGrid")
            waitForRendering(dashboard)
            const expectedWidth = (grid.width - 48) / 2
            for (const card of cards)
                fuzzyCompare(card.width, expectedWidth, 0.01)
            fuzzyCompare(grid.width, dashboard.contentWidth - 64, 0.01)
            // Cards of one grid row share their top edge though their heights differ.
            verify(cards[0].height > cards[1].height)
            compare(cards[0].y, cards[1].y)
            fuzzyCompare(cards[1].x - cards[0].x, expectedWidth + 48, 0.01)
            compare(cards[2].x, cards[0].x)
            compare(cards[2].y, cards[0].y + Math.max(cards[0].height, cards[1].height) + 48)
            compare(cards[3].y, cards[2].y)
        }

        function test_cardsShowTheirLists_data() {
            return [
                { tag: "cameras", card: "camerasCard", title: "Cameras", icon: "camera.fill", rows: 5 },
                { tag: "lenses", card: "lensesCard", title: "Lenses", icon: "camera.aperture", rows: 0 },
                { tag: "focal lengths", card: "focalLengthsCard", title: "Focal Lengths", icon: "scope", rows: 2 },
                { tag: "apertures", card: "aperturesCard", title: "Apertures", icon: "f.cursive.circle", rows: 1 },
            ]
        }

        function test_cardsShowTheirLists(data) {
            const card = findChild(dashboard, data.card)
            compare(card.title, data.title)
            compare(card.icon, data.icon)
            compare(rowsOf(card).length, data.rows)
            compare(findChild(card, "emptyText").visible, data.rows === 0)
        }

        function test_photoCount_data() {
            return [
                { tag: "one", count: 1, text: "1" },
                { tag: "thousands without separators", count: 12345, text: "12345" },
                { tag: "millions in full", count: 1234567, text: "1234567" },
            ]
        }

        function test_photoCount(data) {
            model.processedImageCount = data.count
            waitForRendering(dashboard)
            compare(findChild(dashboard, "photoCount").text, data.text)
            const caption = findChild(dashboard, "photosAnalyzed")
            compare(caption.text, "Photos Analyzed")
            compare(caption.font.capitalization, Font.AllUppercase)
            // The caption sits on the number's baseline, 6 after it.
            const number = findChild(dashboard, "photoCount")
            fuzzyCompare(caption.y + caption.baselineOffset, number.y + number.baselineOffset, 0.5)
            fuzzyCompare(caption.x, number.x + number.width + 6, 0.01)
        }

        function test_header() {
            const title = findChild(dashboard, "appTitle")
            compare(title.text, "Optara")
            compare(title.font.letterSpacing, -1)
            const header = findChild(dashboard, "headerRow")
            // Title centred in the middle share; Restart against the right padding.
            fuzzyCompare(title.x + title.width / 2, header.width / 2, 1)
            const restart = findChild(dashboard, "restartButton")
            fuzzyCompare(restart.x + restart.width, header.width - 32, 0.01)
            verify(restart.y >= 32)
            compare(findChild(dashboard, "countLine").x, 32)
        }

        function test_verticalRhythm() {
            const header = findChild(dashboard, "headerRow")
            waitForRendering(dashboard)
            const rule = findChild(dashboard, "dashboardRule")
            const grid = findChild(dashboard, "cardGrid")
            const credit = findChild(dashboard, "credit")
            compare(rule.height, 3)
            compare(rule.x, 32)
            compare(rule.y, header.y + header.height + 40)
            compare(grid.y, rule.y + 3 + 40)
            compare(credit.y, grid.y + grid.height + 40)
            compare(credit.topPadding, 40)
            compare(credit.bottomPadding, 20)
            compare(credit.text, "optara.app")
        }

        function test_restartClearsOnce() {
            const button = findChild(dashboard, "restartButton")
            mouseClick(button)
            compare(model.clears, 1)
            compare(restarts.count, 1)
            compare(findChild(dashboard, "photoCount").text, "0")
        }

        function test_scrollsWhenTaller() {
            model.topCameras = items(10)
            model.topLenses = items(10)
            model.topFocalLengths = items(10)
            model.topApertures = items(10)
            const scroll = findChild(dashboard, "scroll")
            waitForRendering(dashboard)
            verify(scroll.contentHeight > dashboard.height)
            const flick = scroll.contentItem
            flick.contentY = 200
            compare(flick.contentY, 200)
            compare(flick.contentX, 0)
            compare(flick.contentWidth <= scroll.width, true)
        }
    }
}
