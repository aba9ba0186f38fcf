pragma ComponentBehavior: Bound
import QtQuick
import Optara.Ui
import Optara.ViewModel

// The root view of a window: the drop zone until photos are analysed, then the
// dashboard, with the processing overlay over either while a run is going.
Item {
    id: root

    required property AppViewModel viewModel
    // The strip along the top where the window's controls sit.
    property real controlsHeight: 0
    readonly property bool hasPhotos: viewModel.processedImageCount > 0
    // How Restart had the keys, for the drop zone it brings back; -1 before any Restart.
    property int restartReason: -1

    implicitWidth: 800
    implicitHeight: 600

    Rectangle {
        objectName: "background"
        anchors.fill: parent
        color: Theme.neoBackground
    }

    // The window's browse panel, which starts where this window's last one was, across Restart.
    // What it hands over reaches the view model whichever view opened it, even if that view
    // has gone since.
    PhotoPicker {
        id: windowPicker
        theme: Theme
        onChosen: (urls) => root.viewModel.processURLs(urls)
    }

    // Stops the runs: the window shows again what it showed before them.
    Shortcut {
        sequence: "Escape"
        enabled: root.viewModel.isProcessing
        onActivated: root.viewModel.cancelRuns()
    }

    // Each view exists only while it is shown: a repeater of one or none, as a
    // Loader cannot build a component bound to this file in Qt 6.4.
    FocusScope {
        id: content
        objectName: "content"
        anchors.fill: parent
        // The dashboard takes its scrolling keys without a click first.
        focus: true
        // Under the overlay nothing takes keys either: a focused button cannot be pressed.
        enabled: !root.viewModel.isProcessing

        // Each view takes the keys as it comes in: the one it replaces may still hold them.
        Repeater {
            model: root.hasPhotos ? 0 : 1
            onItemAdded: (index, zone) => {
                if (root.restartReason >= 0)
                    zone.takeKeys(root.restartReason)
                root.restartReason = -1
            }

            DropZoneView {
                objectName: "dropZone"
                anchors.fill: parent
                anchors.margins: 60
                viewModel: root.viewModel
                picker: windowPicker
            }
        }
        Repeater {
            model: root.hasPhotos ? 1 : 0
            onItemAdded: (index, dashboard) => dashboard.forceActiveFocus()

            StatsDashboardView {
                objectName: "dashboard"
                anchors.fill: parent
                viewModel: root.viewModel
                picker: windowPicker
                topInset: root.controlsHeight
                onRestarting: (reason) => root.restartReason = reason
            }
        }
    }

    // Restart, the only way back to the drop zone, brings it in under the default animation.
    onHasPhotosChanged: if (!hasPhotos) fadeIn.restart()
    NumberAnimation {
        id: fadeIn
        target: content
        property: "opacity"
        from: 0
        to: 1
        duration: Theme.defaultAnimationDuration
        easing.type: Easing.InOutQuad
    }

    // From its file, so that it is not a component bound to this one.
    Loader {
        objectName: "overlayLoader"
        anchors.fill: parent
        active: root.viewModel.isProcessing
        source: "ProcessingOverlay.qml"
        onLoaded: item.viewModel = root.viewModel
    }
    // Files dropped while a run goes become a run of their own. Above the overlay, and made
    // once: a drop hands its locations over on a later turn, when the overlay may be gone.
    FileDropTarget {
        objectName: "runDropTarget"
        anchors.fill: parent
        visible: root.viewModel.isProcessing
        onDropped: (urls) => root.viewModel.processURLs(urls)
    }
}
