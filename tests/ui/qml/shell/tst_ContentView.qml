import QtQuick
import QtTest
import Optara.Ui

Item {
    id: scene
    width: 900
    height: 700

    QtObject {
        id: model
        property bool isProcessing: false
        property int processedImageCount: 0
        property var topCameras: []
        property var topLenses: []
        property var topFocalLengths: []
        property var topApertures: []
        property int clears: 0
        function processURLs(urls) {}
        function clearData() { clears += 1; processedImageCount = 0 }
    }

    Loader {
        id: loader
        anchors.fill: parent
        Component.onCompleted: setSource("qrc:/Optara/App/ContentView.qml", { viewModel: model })
    }

    TestCase {
        name: "ContentView"
        when: windowShown && loader.status === Loader.Ready

        function show(processing, photos) {
            model.isProcessing = processing
            model.processedImageCount = photos
            // A replaced view is deleted on the next turn of the event loop.
            tryVerify(() => (findChild(loader.item, "dropZone") !== null) === (photos === 0))
            tryVerify(() => (findChild(loader.item, "dashboard") !== null) === (photos > 0))
        }

        function init() {
            scene.forceActiveFocus()
            model.clears = 0
        }

        function cleanup() {
            show(false, 0)
        }

        function test_states_data() {
            return [
                { tag: "empty", processing: false, photos: 0, focus: "browseButton" },
                { tag: "loaded", processing: false, photos: 4, focus: "restartButton" },
                { tag: "processing from empty", processing: true, photos: 0, focus: "" },
                { tag: "processing when loaded", processing: true, photos: 4, focus: "" },
            ]
        }

        function test_states(data) {
            show(data.processing, data.photos)
            const root = loader.item
            const overlay = findChild(root, "processingOverlay")
            compare(overlay !== null, data.processing)
            const view = findChild(root, data.photos === 0 ? "dropZone" : "dashboard")
            const at = view.mapToItem(root, 0, 0)
            const margin = data.photos === 0 ? 60 : 0
            compare(Qt.rect(at.x, at.y, view.width, view.height),
                    Qt.rect(margin, margin, root.width - 2 * margin, root.height - 2 * margin))
            if (overlay) {
                compare(overlay.width, root.width)
                compare(findChild(overlay, "progressText").font.capitalization, Font.AllUppercase)
                compare(overlay.Accessible.role, Accessible.ProgressBar)
                compare(overlay.Accessible.name, "Processing photos...")
            }
            // Tab reaches the one button of the view, and nothing beneath the overlay.
            keyClick(Qt.Key_Tab)
            if (data.focus)
                verify(findChild(root, data.focus).visualFocus)
            else
                verify(!findChild(root, "content").activeFocus)
        }

        function test_focusedButtonBeneathTheOverlayTakesNoKeys() {
            show(false, 4)
            keyClick(Qt.Key_Tab)
            verify(findChild(loader.item, "restartButton").activeFocus)
            model.isProcessing = true
            keyClick(Qt.Key_Space)
            keyClick(Qt.Key_Return)
            compare(model.clears, 0)
            model.isProcessing = false
        }

        function test_overlayPixels() {
            show(true, 0)
            const card = findChild(loader.item, "progressCard")
            const image = grabImage(loader.item)
            const at = card.mapToItem(loader.item, 0, 0)
            const w = card.width
            const h = card.height
            // The border lies inside the card; the hard shadow is a solid block 8 right, 8 down.
            verify(Qt.colorEqual(image.pixel(at.x + 1, at.y + h / 2), Theme.neoText))
            verify(Qt.colorEqual(image.pixel(at.x + 6, at.y + 6), Theme.neoCard))
            verify(Qt.colorEqual(image.pixel(at.x + w + 4, at.y + h / 2), Theme.neoText))
            verify(Qt.colorEqual(image.pixel(at.x + w + 4, at.y + 4), image.pixel(at.x - 10, at.y + 4)))
            // The backdrop dims the background: neoText at 0.8 over neoBackground.
            const dim = image.pixel(5, loader.item.height - 5)
            const expected = Theme.mix(Theme.neoBackground, Theme.neoText, 0.8)
            verify(Math.abs(dim.r - expected.r) < 0.02 && Math.abs(dim.g - expected.g) < 0.02, "backdrop is " + dim)
        }
    }
}
