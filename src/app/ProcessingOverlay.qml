import QtQuick
import Optara.Ui
import Optara.ViewModel

// Dims the window and shows the progress card. Opaque to input: it takes every
// pointer event and drag, so nothing beneath reacts while photos are read.
Item {
    id: overlay
    objectName: "processingOverlay"

    property AppViewModel viewModel
    // How far the runs are, shown once they have lasted a second, so that a short
    // run looks as if there were none.
    property bool showsProgress: false
    property var progress: ({ filesFound: 0, filesRead: 0, walking: true })

    Accessible.role: Accessible.ProgressBar
    Accessible.name: progressText.text
    Accessible.description: progressCount.visible ? progressCount.text : ""
    // Assistive technology's way to Escape.
    Accessible.onPressAction: overlay.viewModel.cancelRuns()

    Timer {
        objectName: "progressDelay"
        interval: 1000
        running: true
        onTriggered: overlay.showsProgress = true
    }
    // Once a frame at most.
    Timer {
        interval: 16
        repeat: true
        triggeredOnStart: true
        running: overlay.showsProgress && overlay.viewModel !== null
        onTriggered: overlay.progress = overlay.viewModel.progress()
    }

    Rectangle {
        objectName: "backdrop"
        anchors.fill: parent
        color: Theme.neoText
        opacity: 0.8
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        hoverEnabled: true
        preventStealing: true
        onWheel: (wheel) => wheel.accepted = true
    }

    // Takes drags of any kind and lets the drops fall here.
    DropArea {
        objectName: "dropBlocker"
        anchors.fill: parent
    }

    HardShadowBox {
        id: card
        objectName: "progressCard"
        anchors.centerIn: parent
        width: stack.implicitWidth + 80
        height: stack.implicitHeight + 80
        faceColor: Theme.neoCard
        shadowX: 8
        shadowY: 8
        strokeWidth: 4

        Column {
            id: stack
            anchors.centerIn: parent
            spacing: 24

            ProgressSpinner {
                anchors.horizontalCenter: parent.horizontalCenter
                drawnScale: 1.5
                color: Theme.neoAccent
            }
            Text {
                id: progressText
                objectName: "progressText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("Processing photos...")
                font.family: Theme.monospacedFamily
                font.pixelSize: Theme.title3
                font.bold: true
                font.capitalization: Font.AllUppercase
                color: Theme.neoText
            }
            Text {
                id: progressCount
                objectName: "progressCount"
                visible: overlay.showsProgress
                anchors.horizontalCenter: parent.horizontalCenter
                text: overlay.progress.walking
                      ? qsTr("%n file(s) found", "", overlay.progress.filesFound)
                      : qsTr("%1 of %n file(s) read", "", overlay.progress.filesFound).arg(overlay.progress.filesRead)
                font.family: Theme.monospacedFamily
                font.pixelSize: Theme.body
                color: Theme.neoText
            }
        }
    }
}
