import QtQuick
import QtTest
import QtQuick.Controls.Basic as Controls
import Optara.Ui

Item {
    id: scene
    width: 1000
    height: 1000

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

    SignalSpy { id: restarts; target: dashboard; signalName: "restarted" }

    TestCase {
        name: "StatsDashboardView"
        when: windowShown

        function items(n) {
            const list = []
            for (let i = 0; i < n; ++i)
                list.push({ id: "i" + i, label: "L" + i, count: n - i })
            return list
        }

        function part(name) { return findChild(dashboard, name) }

        function init() {
            model.processedImageCount = 3
            model.topCameras = items(5)
            model.topLenses = []
            model.topFocalLengths = items(2)
            model.topApertures = items(1)
            model.clears = 0
            restarts.clear()
            // Grabbing polishes the positioners.
            grabImage(dashboard)
        }

        function test_cardsInTwoTopAlignedColumns() {
            const cards = ["camerasCard", "lensesCard", "focalLengthsCard", "aperturesCard"].map(part)
            const grid = part("cardGrid")
            const width = (grid.width - 48) / 2
            fuzzyCompare(grid.width, dashboard.contentWidth - 64, 0.01)
            for (const card of cards)
                fuzzyCompare(card.width, width, 0.01)
            // Cards of one grid row share their top edge though their heights differ.
            verify(cards[0].height > cards[1].height)
            compare(cards[1].y, cards[0].y)
            fuzzyCompare(cards[1].x - cards[0].x, width + 48, 0.01)
            compare(cards[2].x, cards[0].x)
            compare(cards[2].y, cards[0].y + cards[0].height + 48)
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
            const card = part(data.card)
            compare(card.title, data.title)
            compare(card.icon, data.icon)
            compare(card.shownRows.length, data.rows)
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
            const number = part("photoCount")
            const caption = part("photosAnalyzed")
            compare(number.text, data.text)
            compare(caption.text, "Photos Analyzed")
            compare(caption.font.capitalization, Font.AllUppercase)
            compare(part("countLine").Accessible.name, data.text + " Photos Analyzed")
            grabImage(dashboard)
            // The caption sits on the number's baseline, 6 after it.
            fuzzyCompare(caption.y + caption.baselineOffset, number.y + number.baselineOffset, 0.5)
            fuzzyCompare(caption.x, number.x + number.width + 6, 0.01)
        }

        function test_layout() {
            const header = part("headerRow")
            const title = part("appTitle")
            const restart = part("restartButton")
            const rule = part("dashboardRule")
            const grid = part("cardGrid")
            const credit = part("credit")
            compare(title.text, "Optara")
            compare(title.font.letterSpacing, -1)
            // Count, title and Restart share the row: left, centre, right, inside 32 of padding.
            compare(part("countLine").x, 32)
            fuzzyCompare(title.x + title.width / 2, header.width / 2, 1)
            fuzzyCompare(restart.x + restart.width, header.width - 32, 0.01)
            verify(restart.y >= 32)
            // 40 between header, rule, grid and the credit's padded frame.
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
            // Keys on the button are the button's own test; here the click reaches the view model.
            mouseClick(part("restartButton"))
            compare(model.clears, 1)
            compare(restarts.count, 1)
            compare(part("photoCount").text, "0")
        }

        function test_scrollBarOnlyWhenTaller_data() {
            return [
                { tag: "fits", rows: 0, taller: false },
                { tag: "taller", rows: 10, taller: true },
            ]
        }

        function test_scrollBarOnlyWhenTaller(data) {
            model.topCameras = model.topLenses = model.topFocalLengths = model.topApertures = items(data.rows)
            const scroll = part("scroll")
            grabImage(dashboard)
            compare(scroll.contentHeight > dashboard.height, data.taller)
            compare(scroll.Controls.ScrollBar.vertical.visible, data.taller)
            verify(scroll.contentItem.contentWidth <= scroll.width)
        }

        function test_scrollKeys_data() {
            return [
                { tag: "page down", key: Qt.Key_PageDown, from: "top", to: "page" },
                { tag: "space", key: Qt.Key_Space, from: "top", to: "page" },
                { tag: "end", key: Qt.Key_End, from: "top", to: "bottom" },
                { tag: "page up", key: Qt.Key_PageUp, from: "bottom", to: "page back" },
                { tag: "shift+space", key: Qt.Key_Space, modifiers: Qt.ShiftModifier, from: "bottom", to: "page back" },
                { tag: "home", key: Qt.Key_Home, from: "bottom", to: "top" },
                { tag: "page down held at the bottom", key: Qt.Key_PageDown, from: "bottom", to: "bottom" },
            ]
        }

        function test_scrollKeys(data) {
            model.topCameras = model.topLenses = model.topFocalLengths = model.topApertures = items(10)
            grabImage(dashboard)
            const scroll = part("scroll")
            const flick = scroll.contentItem
            const bottom = flick.contentHeight - flick.height
            const page = scroll.availableHeight
            const at = { "top": 0, "bottom": bottom, "page": page, "page back": bottom - page }
            verify(bottom > page)
            flick.contentY = at[data.from]
            dashboard.forceActiveFocus()
            keyClick(data.key, data.modifiers || Qt.NoModifier)
            compare(flick.contentY, at[data.to])
        }
    }
}
