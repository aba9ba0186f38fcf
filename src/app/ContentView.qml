import QtQuick
import Optara.Ui

// The root view of a window: the drop zone until photos are analysed, then the
// dashboard, with the processing overlay over either while a run is going.
Item {
    id: root

    required property var viewModel
    readonly property bool hasPhotos: viewModel.processedImageCount > 0
    // Set by Restart so that the drop zone comes back under the default animation.
    property bool animateNextSwitch: false

    implicitWidth: 800
    implicitHeight: 600

    Rectangle {
        objectName: "background"
        anchors.fill: parent
        color: Theme.neoBackground
    }

    Loader {
        id: content
        objectName: "content"
        anchors.fill: parent
        // The dashboard takes its scrolling keys without a click first.
        focus: true
        // Under the overlay nothing takes keys either: a focused button cannot be pressed.
        enabled: !root.viewModel.isProcessing
        sourceComponent: root.hasPhotos ? dashboardComponent : dropZoneComponent
    }

    Component {
        id: dropZoneComponent

        Item {
            id: page
            objectName: "dropZonePage"

            DropZoneView {
                objectName: "dropZone"
                anchors.fill: parent
                anchors.margins: 60
                viewModel: root.viewModel
            }

            NumberAnimation on opacity {
                id: fadeIn
                running: false
                from: 0
                to: 1
                duration: Theme.defaultAnimationDuration
                easing.type: Easing.InOutQuad
            }
            Component.onCompleted: {
                if (root.animateNextSwitch) {
                    root.animateNextSwitch = false
                    fadeIn.start()
                }
            }
        }
    }

    Component {
        id: dashboardComponent

        StatsDashboardView {
            objectName: "dashboard"
            viewModel: root.viewModel
            onRestarted: root.animateNextSwitch = true
        }
    }

    Loader {
        objectName: "overlayLoader"
        anchors.fill: parent
        active: root.viewModel.isProcessing
        sourceComponent: ProcessingOverlay {
            objectName: "processingOverlay"
        }
    }
}
