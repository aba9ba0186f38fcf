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
        function processURLs(urls) {}
        function clearData() { processedImageCount = 0 }
    }

    Loader {
        id: loader
        anchors.fill: parent
        Component.onCompleted: setSource("qrc:/Optara/App/ContentView.qml", { viewModel: model })
    }

    TestCase {
        name: "ContentView"
        when: windowShown && loader.status === Loader.Ready

        function test_states_data() {
            return [
                { tag: "empty", processing: false, photos: 0, dropZone: true, overlay: false },
                { tag: "loaded", processing: false, photos: 4, dropZone: false, overlay: false },
                { tag: "processing from empty", processing: true, photos: 0, dropZone: true, overlay: true },
                { tag: "processing when loaded", processing: true, photos: 4, dropZone: false, overlay: true },
            ]
        }

        function test_states(data) {
            model.isProcessing = data.processing
            model.processedImageCount = data.photos
            const root = loader.item
            // A replaced view is deleted on the next turn of the event loop.
            tryVerify(() => (findChild(root, "dropZone") !== null) === data.dropZone)
            tryVerify(() => (findChild(root, "dashboard") !== null) === !data.dropZone)
            tryVerify(() => (findChild(root, "processingOverlay") !== null) === data.overlay)
            const zone = findChild(root, "dropZone")
            const dashboard = findChild(root, "dashboard")
            const overlay = findChild(root, "processingOverlay")
            if (data.dropZone) {
                const at = zone.mapToItem(root, 0, 0)
                compare(at.x, 60)
                compare(at.y, 60)
                compare(zone.width, root.width - 120)
                compare(zone.height, root.height - 120)
            } else {
                compare(dashboard.width, root.width)
            }
            if (data.overlay) {
                compare(overlay.width, root.width)
                compare(findChild(overlay, "progressText").text, "Processing photos...")
                compare(findChild(overlay, "progressText").font.capitalization, Font.AllUppercase)
            }
            model.isProcessing = false
            model.processedImageCount = 0
        }

        function test_overlayPixels() {
            model.isProcessing = true
            waitForRendering(loader.item)
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
            model.isProcessing = false
        }
    }
}
