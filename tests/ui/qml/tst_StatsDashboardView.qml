import QtQuick
import QtTest
import QtQuick.Controls.Basic as Controls
import Optara.Ui
import Optara.Testing
import Optara.ViewModel

Item {
    id: scene
    width: 1000
    height: 1000

    AppViewModel { id: model }

    StatsDashboardView {
        id: dashboard
        width: parent.width
        height: parent.height
        viewModel: model
    }

    TestCase {
        name: "StatsDashboardView"
        when: windowShown

        function part(name) { return findChild(dashboard, name) }

        // Four photos: two cameras, three lenses, three focal lengths, four apertures.
        function initTestCase() {
            model.processURLs(Photos.tree)
            tryCompare(model, "isProcessing", false)
        }

        function init() {
            dashboard.height = scene.height
            // Grabbing polishes the positioners.
            grabImage(dashboard)
        }

        function test_cardsInTwoTopAlignedColumns() {
            const cards = ["camerasCard", "lensesCard", "focalLengthsCard", "aperturesCard"].map(part)
            const lists = [model.topCameras, model.topLenses, model.topFocalLengths, model.topApertures]
            const width = (part("cardGrid").width - 48) / 2
            for (let i = 0; i < 4; ++i) {
                compare(cards[i].shownRows.map(row => row.label), lists[i].map(row => row.label))
                verify(findChild(cards[i], "cardSymbol").available, cards[i].icon)
                fuzzyCompare(cards[i].width, width, 0.01)
            }
            // Cards of one grid row share their top edge though their heights differ.
            verify(cards[0].height < cards[1].height)
            compare(cards[1].y, cards[0].y)
            fuzzyCompare(cards[1].x - cards[0].x, width + 48, 0.01)
            compare(cards[2].x, cards[0].x)
            compare(cards[2].y, cards[0].y + cards[1].height + 48)
        }

        function test_scrollBarOnlyWhenTaller_data() {
            return [
                { tag: "fits", height: 2000, taller: false },
                { tag: "taller", height: 500, taller: true },
            ]
        }

        function test_scrollBarOnlyWhenTaller(data) {
            dashboard.height = data.height
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
                { tag: "shift+space", key: Qt.Key_Space, modifiers: Qt.ShiftModifier, from: "bottom", to: "page back" },
                { tag: "home", key: Qt.Key_Home, from: "bottom", to: "top" },
                { tag: "page down held at the bottom", key: Qt.Key_PageDown, from: "bottom", to: "bottom" },
            ]
        }

        function test_scrollKeys(data) {
            dashboard.height = 300
            grabImage(dashboard)
            const flick = part("scroll").contentItem
            const bottom = flick.contentHeight - flick.height
            const page = part("scroll").availableHeight
            const at = { "top": 0, "bottom": bottom, "page": page, "page back": bottom - page }
            verify(bottom > page)
            flick.contentY = at[data.from]
            dashboard.forceActiveFocus()
            keyClick(data.key, data.modifiers || Qt.NoModifier)
            compare(flick.contentY, at[data.to])
        }
    }
}
